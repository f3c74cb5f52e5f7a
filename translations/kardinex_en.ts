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
        <translation>Other</translation>
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
        <source>%ld 件のファイルを取り込みました。%ld 件のファイルを取り込めませんでした。</source>
        <translation>%ld files imported. %ld files could not be imported.</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Automatic</translation>
    </message>
</context>
</TS>
