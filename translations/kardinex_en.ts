<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!--
English texts of Kardinex. Each source is the Japanese text exactly as the program
asks for it; "%s", "%ld" and "$1".."$3" are filled in by the program.

Glossary (use the same English word everywhere):
  文章 entry            書類 document (a .kdx file)   文章名 title (of an entry)
  分類 category         分類名 category title / category name
  ラベル label          ノート note                   本文 body
  暗号化 encrypt        暗号解除 decrypt              パスワード password
  取り込み import       書き出し export               取り出し export (files)
  連結 combine          一覧ファイル entry list file  全文検索 full-text search
  検索 search (find in the find-and-replace panel)   置換 replace
  文書幅 text width     折り返し line wrap            環境設定 preferences
  ブラウザ browser      圧縮 compact                  その他 Others, ＜すべて＞ <All>
  作成 created          更新 modified                 最後に使った last used

Menu-bar titles carry an access letter ("&File"). 文章, 表示 and 検索 are also
shown outside menus (a new entry's default title, a column header, a search
field), so they carry none; the window marks a letter of the text itself.
Texts appended to another sentence start with a space.
-->
<TS version="2.1" language="en_US">
<context>
    <name>Kardinex</name>
    <!-- Menu-bar titles (the ones without "&" share their key with a non-menu text; the window marks their access letter itself) -->
    <message>
        <source>ファイル</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>編集</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>検索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>書式</source>
        <translation>F&amp;ormat</translation>
    </message>
    <message>
        <source>表示</source>
        <translation>View</translation>
    </message>
    <message>
        <source>文章</source>
        <translation>Entry</translation>
    </message>
    <message>
        <source>書類</source>
        <translation>&amp;Document</translation>
    </message>
    <message>
        <source>ウインドウ</source>
        <translation>&amp;Window</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>&amp;Help</translation>
    </message>
    <!-- File menu and start-up -->
    <message>
        <source>新規ファイル…</source>
        <translation>New File…</translation>
    </message>
    <message>
        <source>新規ファイル</source>
        <translation>New File</translation>
    </message>
    <message>
        <source>開く…</source>
        <translation>Open…</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>環境設定…</source>
        <translation>Preferences…</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>作成</source>
        <translation>Created</translation>
    </message>
    <message>
        <source>作成</source>
        <comment>button</comment>
        <translation>Create</translation>
    </message>
    <message>
        <source>選択</source>
        <translation>Open Selected</translation>
    </message>
    <message>
        <source>新規</source>
        <translation>New</translation>
    </message>
    <message>
        <source>最近使った書類</source>
        <translation>Recent documents</translation>
    </message>
    <message>
        <source>名称未設定</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>すべての文章ウインドウを閉じる</source>
        <translation>Close All Entry Windows</translation>
    </message>
    <message>
        <source>書類ウインドウを表示</source>
        <translation>Show Document Window</translation>
    </message>
    <message>
        <source>ここに保存</source>
        <translation>Save Here</translation>
    </message>
    <!-- Import and export -->
    <message>
        <source>取り込み</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>書き出し</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>書き出し ▸</source>
        <translation>Export ▸</translation>
    </message>
    <message>
        <source>ファイルを取り込む…</source>
        <translation>Import Files…</translation>
    </message>
    <message>
        <source>フォルダから取り込む…</source>
        <translation>Import from Folder…</translation>
    </message>
    <message>
        <source>バージョン2の書き出しファイルを取り込む…</source>
        <translation>Import Version 2 Export File…</translation>
    </message>
    <message>
        <source>ファイルを取り込む</source>
        <translation>Import Files</translation>
    </message>
    <message>
        <source>取り込む</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>このフォルダから取り込む</source>
        <translation>Import from This Folder</translation>
    </message>
    <message>
        <source>一覧ファイルを書き出す…</source>
        <translation>Export Entry List…</translation>
    </message>
    <message>
        <source>一覧ファイルを書き出す</source>
        <translation>Export Entry List</translation>
    </message>
    <message>
        <source>連結して書き出す…</source>
        <translation>Export Combined…</translation>
    </message>
    <message>
        <source>連結</source>
        <translation>Combine</translation>
    </message>
    <message>
        <source>新規ファイルとして保存…</source>
        <translation>Save as New File…</translation>
    </message>
    <message>
        <source>新規ファイルとして保存</source>
        <translation>Save as New File</translation>
    </message>
    <message>
        <source>書き出し…</source>
        <translation>Export…</translation>
    </message>
    <message>
        <source>ファイルとして…</source>
        <translation>As Files…</translation>
    </message>
    <message>
        <source>RTF…</source>
        <translation>As RTF…</translation>
    </message>
    <message>
        <source>RTFD…</source>
        <translation>As RTFD…</translation>
    </message>
    <message>
        <source>テキスト (Shift JIS)…</source>
        <translation>As Text (Shift JIS)…</translation>
    </message>
    <message>
        <source>テキスト (EUC-JP)…</source>
        <translation>As Text (EUC-JP)…</translation>
    </message>
    <message>
        <source>テキスト (UTF-8)…</source>
        <translation>As Text (UTF-8)…</translation>
    </message>
    <message>
        <source>バックアップ…</source>
        <translation>As Backup…</translation>
    </message>
    <message>
        <source>次へ</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>選択されている文章</source>
        <translation>Selected entries</translation>
    </message>
    <message>
        <source>表示されているすべての文章</source>
        <translation>All entries shown</translation>
    </message>
    <message>
        <source>書き出す文章</source>
        <translation>Entries to export</translation>
    </message>
    <message>
        <source>保存する文章</source>
        <translation>Entries to save</translation>
    </message>
    <message>
        <source>使われていない分類も含める</source>
        <translation>Include unused categories</translation>
    </message>
    <message>
        <source>分類名を引き継ぐ</source>
        <translation>Keep category titles</translation>
    </message>
    <message>
        <source>ラベルを引き継ぐ</source>
        <translation>Keep labels</translation>
    </message>
    <message>
        <source>ファイルの種類</source>
        <translation>File type</translation>
    </message>
    <message>
        <source>kdx ファイル</source>
        <translation>kdx file</translation>
    </message>
    <message>
        <source>kdr ファイル</source>
        <translation>kdr file</translation>
    </message>
    <message>
        <source>の一覧</source>
        <translation> list</translation>
    </message>
    <message>
        <source>ファイルを検索しています...</source>
        <translation>Searching for files...</translation>
    </message>
    <message>
        <source>ファイルを取り込んでいます...</source>
        <translation>Importing files...</translation>
    </message>
    <message>
        <source>ファイルを取り出しています...</source>
        <translation>Exporting files...</translation>
    </message>
    <message>
        <source>ファイルを保存しています...</source>
        <translation>Saving the file...</translation>
    </message>
    <message>
        <source>本文を新しいフォーマットに変換しています...</source>
        <translation>Converting bodies to the new format...</translation>
    </message>
    <message>
        <source>中止しています...</source>
        <translation>Canceling...</translation>
    </message>
    <message>
        <source>%ld 件のファイルを取り込みました。</source>
        <translation>Files imported: %ld.</translation>
    </message>
    <message>
        <source>%ld 件のファイルを取り込めませんでした。</source>
        <translation> Files that could not be imported: %ld.</translation>
    </message>
    <message>
        <source>%ld 件のファイルを取り出しました。</source>
        <translation>Files exported: %ld.</translation>
    </message>
    <message>
        <source>%ld 件のファイルを取り出せませんでした。</source>
        <translation> Files that could not be exported: %ld.</translation>
    </message>
    <message>
        <source>%ld 件の文章を連結しました。</source>
        <translation>Entries combined: %ld.</translation>
    </message>
    <message>
        <source>%ld 件の文章を連結できませんでした。</source>
        <translation> Entries that could not be combined: %ld.</translation>
    </message>
    <message>
        <source>%ld 件の文章が見つからなかったため一覧に含めませんでした。</source>
        <translation>Entries left out of the list because they could not be found: %ld.</translation>
    </message>
    <message>
        <source>一覧ファイルを作成できませんでした。</source>
        <translation>The entry list file could not be created.</translation>
    </message>
    <message>
        <source>連結ファイルを作成できませんでした。</source>
        <translation>The combined file could not be created.</translation>
    </message>
    <message>
        <source>ファイルを作成できませんでした。</source>
        <translation>The file could not be created.</translation>
    </message>
    <message>
        <source>「%s」を書き出せませんでした。</source>
        <translation>“%s” could not be exported.</translation>
    </message>
    <message>
        <source>一部の文字が EUC-JP に変換できませんでした。</source>
        <translation>Some characters could not be converted to EUC-JP.</translation>
    </message>
    <message>
        <source>一部の文字が Shift JIS に変換できませんでした。</source>
        <translation>Some characters could not be converted to Shift JIS.</translation>
    </message>
    <message>
        <source>%s が選択されていません。</source>
        <translation>No %s selected.</translation>
    </message>
    <!-- Document window: search field, browser, View menu -->
    <message>
        <source>最近の検索</source>
        <translation>Recent Searches</translation>
    </message>
    <message>
        <source>履歴をクリア</source>
        <translation>Clear History</translation>
    </message>
    <message>
        <source>検索履歴をクリア</source>
        <translation>Clear Search History</translation>
    </message>
    <message>
        <source>検索フィールドへ</source>
        <translation>Go to Search Field</translation>
    </message>
    <message>
        <source>全文検索…</source>
        <translation>Full-Text Search…</translation>
    </message>
    <message>
        <source>全文検索</source>
        <translation>Full-Text Search</translation>
    </message>
    <message>
        <source>文字列</source>
        <translation>Exact Phrase</translation>
    </message>
    <message>
        <source>すべての単語</source>
        <translation>All Words</translation>
    </message>
    <message>
        <source>いずれかの単語</source>
        <translation>Any Word</translation>
    </message>
    <message>
        <source>ブラウザを隠す</source>
        <translation>Hide Browser</translation>
    </message>
    <message>
        <source>ブラウザを表示</source>
        <translation>Show Browser</translation>
    </message>
    <message>
        <source>分類の削除</source>
        <translation>Delete Category</translation>
    </message>
    <message>
        <source>文章の一覧</source>
        <translation>Entry list</translation>
    </message>
    <message>
        <source>一覧に表示する項目</source>
        <translation>Columns shown in the list</translation>
    </message>
    <message>
        <source>一覧表示オプション…</source>
        <translation>List View Options…</translation>
    </message>
    <message>
        <source>分類 - 一覧表示オプション</source>
        <translation>Categories - List View Options</translation>
    </message>
    <message>
        <source>全文検索 - 一覧表示オプション</source>
        <translation>Full-Text Search - List View Options</translation>
    </message>
    <message>
        <source>指南</source>
        <translation>Guide</translation>
    </message>
    <message>
        <source>ドキュメント</source>
        <translation>Documentation</translation>
    </message>
    <!-- Entry and Document menus, entry list -->
    <message>
        <source>新規文章</source>
        <translation>New Entry</translation>
    </message>
    <message>
        <source>複製</source>
        <translation>Duplicate</translation>
    </message>
    <message>
        <source>削除…</source>
        <translation>Delete…</translation>
    </message>
    <message>
        <source>ラベル</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>ラベル ▸</source>
        <translation>Label ▸</translation>
    </message>
    <message>
        <source>ラベルの編集…</source>
        <translation>Edit Labels…</translation>
    </message>
    <message>
        <source>ラベルの編集</source>
        <translation>Edit Labels</translation>
    </message>
    <message>
        <source>ラベル%sの色</source>
        <translation>Label %s color</translation>
    </message>
    <message>
        <source>ラベル%sの名前</source>
        <translation>Label %s name</translation>
    </message>
    <message>
        <source>分類の変更…</source>
        <translation>Change Categories…</translation>
    </message>
    <message>
        <source>分類の変更</source>
        <translation>Change Categories</translation>
    </message>
    <message>
        <source>分類名の編集…</source>
        <translation>Edit Category Titles…</translation>
    </message>
    <message>
        <source>分類名の編集</source>
        <translation>Edit Category Titles</translation>
    </message>
    <message>
        <source>暗号化</source>
        <translation>Encrypt</translation>
    </message>
    <message>
        <source>暗号解除</source>
        <translation>Decrypt</translation>
    </message>
    <message>
        <source>パスワード…</source>
        <translation>Password…</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>書類を圧縮…</source>
        <translation>Compact Document…</translation>
    </message>
    <message>
        <source>書類の設定…</source>
        <translation>Document Settings…</translation>
    </message>
    <message>
        <source>書類の設定</source>
        <translation>Document Settings</translation>
    </message>
    <message>
        <source>書類の情報…</source>
        <translation>Document Info…</translation>
    </message>
    <message>
        <source>書類の情報</source>
        <translation>Document Info</translation>
    </message>
    <message>
        <source>文章名の暗号化</source>
        <translation>Encrypt titles</translation>
    </message>
    <message>
        <source>ノートの暗号化</source>
        <translation>Encrypt notes</translation>
    </message>
    <message>
        <source>本文の暗号化</source>
        <translation>Encrypt bodies</translation>
    </message>
    <message>
        <source>文章を暗号化しています...</source>
        <translation>Encrypting entries...</translation>
    </message>
    <message>
        <source>文章を暗号解除しています...</source>
        <translation>Decrypting entries...</translation>
    </message>
    <message>
        <source>書類を圧縮しています...</source>
        <translation>Compacting the document...</translation>
    </message>
    <!-- Categories and labels -->
    <message>
        <source>分類の追加</source>
        <translation>Add Category</translation>
    </message>
    <message>
        <source>分類名の種類</source>
        <translation>Category level</translation>
    </message>
    <message>
        <source>分類名</source>
        <translation>Category name</translation>
    </message>
    <message>
        <source>第１分類</source>
        <translation>First category</translation>
    </message>
    <message>
        <source>第２分類</source>
        <translation>Second category</translation>
    </message>
    <message>
        <source>第３分類</source>
        <translation>Third category</translation>
    </message>
    <message>
        <source>分類１</source>
        <translation>Category 1</translation>
    </message>
    <message>
        <source>分類２</source>
        <translation>Category 2</translation>
    </message>
    <message>
        <source>分類３</source>
        <translation>Category 3</translation>
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
        <source>＜変更しない＞</source>
        <translation>&lt;No Change&gt;</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>必須</source>
        <translation>Essential</translation>
    </message>
    <message>
        <source>重要</source>
        <translation>Important</translation>
    </message>
    <message>
        <source>進行中</source>
        <translation>In Progress</translation>
    </message>
    <message>
        <source>未決</source>
        <translation>Pending</translation>
    </message>
    <message>
        <source>個人用</source>
        <translation>Personal</translation>
    </message>
    <message>
        <source>計画１</source>
        <translation>Plan 1</translation>
    </message>
    <message>
        <source>計画２</source>
        <translation>Plan 2</translation>
    </message>
    <message>
        <source>分類名を入力してください。</source>
        <translation>Enter a category name.</translation>
    </message>
    <message>
        <source>%s は追加できません。</source>
        <translation>“%s” cannot be added.</translation>
    </message>
    <message>
        <source>「%s」はすでに使用されています。別の名前を入力してください。</source>
        <translation>“%s” is already in use. Enter a different name.</translation>
    </message>
    <message>
        <source>＜すべて＞ と その他 は削除できません。</source>
        <translation>&lt;All&gt; and Others cannot be deleted.</translation>
    </message>
    <message>
        <source>%s は削除できません。</source>
        <translation>“%s” is in use and cannot be deleted.</translation>
    </message>
    <message>
        <source>%s を削除してもよろしいですか？</source>
        <translation>Are you sure you want to delete “%s”?</translation>
    </message>
    <message>
        <source>%sは分類名に使用できません。</source>
        <translation>“%s” cannot be used as a category name.</translation>
    </message>
    <message>
        <source>予約されている名前は使用できません。別の名前を入力してください。</source>
        <translation>That name is reserved. Enter a different name.</translation>
    </message>
    <!-- List columns, list view options, document info -->
    <message>
        <source>ＩＤ</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>文章名</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>作成日時</source>
        <translation>Date Created</translation>
    </message>
    <message>
        <source>更新日時</source>
        <translation>Date Modified</translation>
    </message>
    <message>
        <source>最後に開いた日時</source>
        <translation>Date Last Opened</translation>
    </message>
    <message>
        <source>最後に使った日時</source>
        <translation>Date Last Used</translation>
    </message>
    <message>
        <source>本文のサイズ</source>
        <translation>Body Size</translation>
    </message>
    <message>
        <source>エンコーディング</source>
        <translation>Encoding</translation>
    </message>
    <message>
        <source>ファイルパス</source>
        <translation>File Path</translation>
    </message>
    <message>
        <source>ノート</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>本文</source>
        <translation>Body</translation>
    </message>
    <message>
        <source>作成したＯＳ</source>
        <translation>Creating OS</translation>
    </message>
    <message>
        <source>更新したＯＳ</source>
        <translation>Modifying OS</translation>
    </message>
    <message>
        <source>作成したコンピュータ名</source>
        <translation>Creating Computer</translation>
    </message>
    <message>
        <source>更新したコンピュータ名</source>
        <translation>Modifying Computer</translation>
    </message>
    <message>
        <source>作成したアプリケーション</source>
        <translation>Creating Application</translation>
    </message>
    <message>
        <source>更新したアプリケーション</source>
        <translation>Modifying Application</translation>
    </message>
    <message>
        <source>このアプリケーションのバージョン</source>
        <translation>Application Version</translation>
    </message>
    <message>
        <source>ファイルのバージョン</source>
        <translation>File Version</translation>
    </message>
    <message>
        <source>する</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>しない</source>
        <translation>No</translation>
    </message>
    <message>
        <source>項目</source>
        <translation>Column</translation>
    </message>
    <message>
        <source>第１ソートキー</source>
        <translation>First sort key</translation>
    </message>
    <message>
        <source>第２ソートキー</source>
        <translation>Second sort key</translation>
    </message>
    <message>
        <source>第３ソートキー</source>
        <translation>Third sort key</translation>
    </message>
    <message>
        <source>昇順</source>
        <translation>Ascending</translation>
    </message>
    <message>
        <source>降順</source>
        <translation>Descending</translation>
    </message>
    <message>
        <source>＜指定しない＞</source>
        <translation>&lt;None&gt;</translation>
    </message>
    <message>
        <source>第１と第２に同じソートキーが指定されています。どちらかを別のソートキーにしてください。</source>
        <translation>The first and second sort keys are the same. Choose a different key for one of them.</translation>
    </message>
    <message>
        <source>第１と第３に同じソートキーが指定されています。どちらかを別のソートキーにしてください。</source>
        <translation>The first and third sort keys are the same. Choose a different key for one of them.</translation>
    </message>
    <message>
        <source>第２と第３に同じソートキーが指定されています。どちらかを別のソートキーにしてください。</source>
        <translation>The second and third sort keys are the same. Choose a different key for one of them.</translation>
    </message>
    <!-- Entry window -->
    <message>
        <source>文章情報</source>
        <translation>Entry Info</translation>
    </message>
    <message>
        <source>文章情報を隠す</source>
        <translation>Hide Entry Info</translation>
    </message>
    <message>
        <source>文章情報を表示</source>
        <translation>Show Entry Info</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Modified</translation>
    </message>
    <message>
        <source>最後に開いた</source>
        <translation>Last opened</translation>
    </message>
    <message>
        <source>最後に使った</source>
        <translation>Last used</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>エンコード</source>
        <translation>Encoding</translation>
    </message>
    <message>
        <source>%s（%ld）</source>
        <translation>%s (%ld)</translation>
    </message>
    <message>
        <source>取り消す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>やり直す</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>カット</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>ペースト</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>すべてを選択</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>太字</source>
        <translation>Bold</translation>
    </message>
    <message>
        <source>斜体</source>
        <translation>Italic</translation>
    </message>
    <message>
        <source>下線</source>
        <translation>Underline</translation>
    </message>
    <message>
        <source>フォント…</source>
        <translation>Font…</translation>
    </message>
    <message>
        <source>文字の色…</source>
        <translation>Text Color…</translation>
    </message>
    <message>
        <source>折り返し</source>
        <translation>Line Wrap</translation>
    </message>
    <message>
        <source>ウインドウ幅で折り返す</source>
        <translation>Wrap to Window Width</translation>
    </message>
    <message>
        <source>折り返さない</source>
        <translation>No Wrapping</translation>
    </message>
    <message>
        <source>文書幅で折り返す…</source>
        <translation>Wrap to Text Width…</translation>
    </message>
    <message>
        <source>文書幅</source>
        <translation>Text Width</translation>
    </message>
    <message>
        <source>文書幅（ポイント）</source>
        <translation>Text width (points)</translation>
    </message>
    <message>
        <source>選択部分を文章名にする…</source>
        <translation>Use Selection as Title…</translation>
    </message>
    <message>
        <source>選択部分を文章名にする</source>
        <translation>Use Selection as Title</translation>
    </message>
    <message>
        <source>現在の文章名</source>
        <translation>Current title</translation>
    </message>
    <message>
        <source>新しい文章名</source>
        <translation>New title</translation>
    </message>
    <message>
        <source>選択されている文字列が長すぎるため、文章名に設定することができませんでした。</source>
        <translation>The selected text is too long to be used as the title.</translation>
    </message>
    <message>
        <source>本文を読み込めませんでした。この文章の本文は編集・保存できません。</source>
        <translation>The body could not be read. The body of this entry cannot be edited or saved.</translation>
    </message>
    <message>
        <source>ノートを読み込めませんでした。この文章のノートは編集・保存できません。</source>
        <translation>The note could not be read. The note of this entry cannot be edited or saved.</translation>
    </message>
    <message>
        <source>のコピー</source>
        <translation> copy</translation>
    </message>
    <message>
        <source>文章名が 512 バイトを超えたため、コピー元と同じ文章名「%s」で新しい文章を作成しました。</source>
        <translation>The title would have exceeded 512 bytes, so the new entry was given the same title as the original: “%s”.</translation>
    </message>
    <!-- Find and replace -->
    <message>
        <source>検索と置換…</source>
        <translation>Find and Replace…</translation>
    </message>
    <message>
        <source>検索と置換</source>
        <translation>Find and Replace</translation>
    </message>
    <message>
        <source>次を検索</source>
        <translation>Find Next</translation>
    </message>
    <message>
        <source>前を検索</source>
        <translation>Find Previous</translation>
    </message>
    <message>
        <source>選択部分を検索に使用</source>
        <translation>Use Selection for Find</translation>
    </message>
    <message>
        <source>選択部分を置換に使用</source>
        <translation>Use Selection for Replace</translation>
    </message>
    <message>
        <source>置換</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>置換して次を検索</source>
        <translation>Replace and Find Next</translation>
    </message>
    <message>
        <source>置換して検索</source>
        <translation>Replace and Find</translation>
    </message>
    <message>
        <source>すべて置換</source>
        <translation>Replace All</translation>
    </message>
    <message>
        <source>大文字と小文字を区別</source>
        <translation>Match case</translation>
    </message>
    <message>
        <source>末尾まで来たら先頭から</source>
        <translation>Wrap around</translation>
    </message>
    <message>
        <source>周回しました。</source>
        <translation>Wrapped around.</translation>
    </message>
    <message>
        <source>見つかりませんでした。</source>
        <translation>Not found.</translation>
    </message>
    <message>
        <source>選択部分が一致しません。</source>
        <translation>The selection does not match.</translation>
    </message>
    <message>
        <source>%ld件置換しました。</source>
        <translation>%ld replaced.</translation>
    </message>
    <!-- Full-text search -->
    <message>
        <source>ファイルを読み込めないため検索できませんでした。</source>
        <translation>The search failed because the file could not be read.</translation>
    </message>
    <message>
        <source>検索できませんでした。</source>
        <translation>The search failed.</translation>
    </message>
    <message>
        <source>検索結果</source>
        <translation>Search results</translation>
    </message>
    <message>
        <source>の検索結果一覧.txt</source>
        <translation> search results.txt</translation>
    </message>
    <!-- Preferences -->
    <message>
        <source>環境設定</source>
        <translation>Preferences</translation>
    </message>
    <message>
        <source>表示言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>自動（システムの言語）</source>
        <translation>Automatic (the system's language)</translation>
    </message>
    <message>
        <source>日本語</source>
        <translation>Japanese (日本語)</translation>
    </message>
    <message>
        <source>次回の起動時から適用されます。</source>
        <translation>Takes effect the next time Kardinex starts.</translation>
    </message>
    <message>
        <source>フォント</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>印刷</source>
        <translation>Printing</translation>
    </message>
    <message>
        <source>追加…</source>
        <translation>Add…</translation>
    </message>
    <message>
        <source>編集…</source>
        <translation>Edit…</translation>
    </message>
    <message>
        <source>拡張子（ドットなし）</source>
        <translation>Extension (without the dot)</translation>
    </message>
    <message>
        <source>拡張子は15バイトまでで、「.」「/」やタブは使えません。</source>
        <translation>An extension has at most 15 bytes and cannot contain “.”, “/” or tabs.</translation>
    </message>
    <message>
        <source>拡張子追加</source>
        <translation>Add Extension</translation>
    </message>
    <message>
        <source>拡張子編集</source>
        <translation>Edit Extension</translation>
    </message>
    <message>
        <source>すべてのテキストファイルを取り込む</source>
        <translation>Import all text files</translation>
    </message>
    <message>
        <source>フォルダから取り込む拡張子</source>
        <translation>Extensions imported from a folder</translation>
    </message>
    <message>
        <source>既定の文章名</source>
        <translation>Default title</translation>
    </message>
    <message>
        <source>連番を付ける</source>
        <translation>Number consecutively</translation>
    </message>
    <message>
        <source>空の文章名</source>
        <translation>Empty title</translation>
    </message>
    <message>
        <source>ウインドウ幅</source>
        <translation>Window Width</translation>
    </message>
    <message>
        <source>ポイント</source>
        <translation>points</translation>
    </message>
    <message>
        <source>フォントを選択…</source>
        <translation>Choose Font…</translation>
    </message>
    <message>
        <source>新しい文章の本文のフォント</source>
        <translation>Body font of new entries</translation>
    </message>
    <message>
        <source>挿入</source>
        <translation>Insert</translation>
    </message>
    <message>
        <source>余白（ポイント）</source>
        <translation>Margins (points)</translation>
    </message>
    <message>
        <source>上</source>
        <translation>Top</translation>
    </message>
    <message>
        <source>下</source>
        <translation>Bottom</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>ヘッダ</source>
        <translation>Header</translation>
    </message>
    <message>
        <source>フッタ</source>
        <translation>Footer</translation>
    </message>
    <message>
        <source>ページ番号</source>
        <translation>Page Number</translation>
    </message>
    <message>
        <source>ページ合計</source>
        <translation>Page Count</translation>
    </message>
    <message>
        <source>印刷日時</source>
        <translation>Date Printed</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File Name</translation>
    </message>
    <message>
        <source>起動時のスプラッシュを表示しない</source>
        <translation>Don't show the splash screen at startup</translation>
    </message>
    <message>
        <source>ドラッグして書き出すとき</source>
        <translation>When exporting by dragging</translation>
    </message>
    <message>
        <source>ファイルの種類に合わせて書き出す</source>
        <translation>Export in each entry's file type</translation>
    </message>
    <message>
        <source>RTFDで書き出す</source>
        <translation>Export as RTFD</translation>
    </message>
    <!-- Printing -->
    <message>
        <source>ページ設定…</source>
        <translation>Page Setup…</translation>
    </message>
    <message>
        <source>印刷プレビュー…</source>
        <translation>Print Preview…</translation>
    </message>
    <message>
        <source>印刷…</source>
        <translation>Print…</translation>
    </message>
    <message>
        <source>印刷できませんでした。</source>
        <translation>Printing failed.</translation>
    </message>
    <!-- Buttons and questions -->
    <message>
        <source>はい</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>いいえ</source>
        <translation>No</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>「%s」を削除します。よろしいですか？</source>
        <translation>Are you sure you want to delete “%s”?</translation>
    </message>
    <message>
        <source>「$1」を含む、$2 件の$3を削除します。よろしいですか？</source>
        <translation>Are you sure you want to delete $2 items ($3), including “$1”?</translation>
    </message>
    <!-- Opening, saving, converting, passwords, compacting -->
    <message>
        <source>ファイルが見つかりません。</source>
        <translation>The file cannot be found.</translation>
    </message>
    <message>
        <source>このファイルは他のプログラムで開かれています。</source>
        <translation>This file is open in another program.</translation>
    </message>
    <message>
        <source>ファイルが壊れているため開くことができません。</source>
        <translation>The file is damaged and cannot be opened.</translation>
    </message>
    <message>
        <source>このファイルはKardinexファイルではありません。</source>
        <translation>This is not a Kardinex file.</translation>
    </message>
    <message>
        <source>このファイルは開くことができません。</source>
        <translation>This file cannot be opened.</translation>
    </message>
    <message>
        <source>ファイルを開くことができません。
（このファイルはバージョン %s で開くことができます。）</source>
        <translation>The file cannot be opened.
(It can be opened with version %s.)</translation>
    </message>
    <message>
        <source>パスワードの情報が壊れているため、このファイルを開くことができません。</source>
        <translation>The file cannot be opened because its password information is damaged.</translation>
    </message>
    <message>
        <source>メモリが不足しているため、このファイルを開くことができません。</source>
        <translation>There is not enough memory to open this file.</translation>
    </message>
    <message>
        <source>文書を保存できませんでした。</source>
        <translation>The document could not be saved.</translation>
    </message>
    <message>
        <source>このファイルは開かれているため、置き換えることができません。</source>
        <translation>This file is open and cannot be replaced.</translation>
    </message>
    <message>
        <source>データファイルを新しいバージョンに変換します。
変換前のファイルは「_backup_v300」というファイル名で同じフォルダにバックアップされます。
変換してよろしいですか？</source>
        <translation>The data file will be converted to the new version.
The original file is kept as a backup named “_backup_v300” in the same folder.
Convert it now?</translation>
    </message>
    <message>
        <source>バックアップを作成できなかったため、変換を中止しました。</source>
        <translation>The conversion was stopped because the backup could not be created.</translation>
    </message>
    <message>
        <source>変換がキャンセルされました。
再度新しいバージョンに変換をする場合は、変換前のデータファイル「%s」から変換をしてください。</source>
        <translation>The conversion was canceled.
To convert to the new version again, convert the original data file “%s”.</translation>
    </message>
    <message>
        <source>%ld 件の本文を変換できませんでした。</source>
        <translation>Bodies that could not be converted: %ld.</translation>
    </message>
    <message>
        <source>変換前のファイルを元に戻せませんでした。変換前のデータは「%s」にあります。</source>
        <translation>The original file could not be restored. The original data is in “%s”.</translation>
    </message>
    <message>
        <source>パスワードを入力してください。</source>
        <translation>Enter the password.</translation>
    </message>
    <message>
        <source>新しいパスワードを入力してください。</source>
        <translation>Enter a new password.</translation>
    </message>
    <message>
        <source>パスワードが正しくありません。もう一度やり直してください。</source>
        <translation>The password is incorrect. Try again.</translation>
    </message>
    <message>
        <source>英数字( AからZ, aからz, 0から9 )以外の文字は設定できません。</source>
        <translation>Only letters and digits (A to Z, a to z, 0 to 9) can be used.</translation>
    </message>
    <message>
        <source>パスワードを設定できませんでした。</source>
        <translation>The password could not be set.</translation>
    </message>
    <message>
        <source>%ld 件の文章を暗号化できませんでした。</source>
        <translation>Entries that could not be encrypted: %ld.</translation>
    </message>
    <message>
        <source>%ld 件の文章を暗号解除できませんでした。</source>
        <translation>Entries that could not be decrypted: %ld.</translation>
    </message>
    <message>
        <source>%ld 件の文章を複製できませんでした。</source>
        <translation>Entries that could not be duplicated: %ld.</translation>
    </message>
    <message>
        <source>書類は元のままです。</source>
        <translation> The document is unchanged.</translation>
    </message>
    <message>
        <source>書類を圧縮しました。%ld バイトから %ld バイトになり、%ld バイト減りました。</source>
        <translation>The document was compacted from %ld bytes to %ld bytes, %ld bytes smaller.</translation>
    </message>
    <message>
        <source>この書類は書き込めないため、圧縮できませんでした。</source>
        <translation>The document could not be compacted because it cannot be written.</translation>
    </message>
    <message>
        <source>保存されていない変更があるため、書類を圧縮できませんでした。</source>
        <translation>The document could not be compacted because it has unsaved changes.</translation>
    </message>
    <message>
        <source>書類の一部を読み込めないため、圧縮できませんでした。</source>
        <translation>The document could not be compacted because part of it cannot be read.</translation>
    </message>
    <message>
        <source>圧縮した書類を書き込めませんでした。</source>
        <translation>The compacted document could not be written.</translation>
    </message>
    <message>
        <source>圧縮した書類が元の書類と一致しませんでした。</source>
        <translation>The compacted document did not match the original.</translation>
    </message>
    <message>
        <source>圧縮した書類を元の書類と置き換えられませんでした。</source>
        <translation>The compacted document could not replace the original.</translation>
    </message>
    <message>
        <source>この書類には別の名前（ハードリンク）があるため、圧縮できませんでした。</source>
        <translation>The document could not be compacted because it has another name (a hard link).</translation>
    </message>
    <message>
        <source>書類を圧縮しましたが、開き直すことができませんでした。</source>
        <translation>The document was compacted but could not be opened again.</translation>
    </message>
    <message>
        <source>書類を圧縮できませんでした。</source>
        <translation>The document could not be compacted.</translation>
    </message>
</context>
</TS>
