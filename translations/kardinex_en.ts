<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>Kardinex</name>
    <message>
        <source>ファイル</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>その他</source>
        <translation>Others</translation>
    </message>
    <message>
        <source>＜すべて＞</source>
        <translation>&lt;All&gt;</translation>
    </message>
    <message>
        <source>ドキュメント</source>
        <translation>Documentation</translation>
    </message>
    <message>
        <source>指南</source>
        <translation>Guide</translation>
    </message>
    <message>
        <source>分類１</source>
        <translation>Category 1</translation>
    </message>
    <message>
        <source>%sは分類名に使用できません。</source>
        <translation>%s cannot be used as a category name.</translation>
    </message>
    <message>
        <source>%s（%ld）</source>
        <translation>%s (%ld)</translation>
    </message>
    <message>
        <source>表示言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>自動（システムの言語）</source>
        <translation>Automatic (the system&apos;s language)</translation>
    </message>
    <message>
        <source>日本語</source>
        <translation>Japanese (日本語)</translation>
    </message>
    <message>
        <source>次回の起動時から適用されます。</source>
        <translation>Takes effect the next time Kardinex starts.</translation>
    </message>
</context>
</TS>
