#include "gui/app/find_replace.h"

#include <QTextCursor>
#include <QTextDocument>
#include <vector>

namespace {

Qt::CaseSensitivity Sensitivity(bool ignoreCase) {
  return ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

// Whether find occurs at position at of text: the search's own test.
bool MatchesAt(const QString& text, qsizetype at, qsizetype length, const QString& find,
               bool ignoreCase) {
  return length == find.size() && text.indexOf(find, at, Sensitivity(ignoreCase)) == at;
}

void Select(QTextCursor* cursor, qsizetype at, qsizetype length) {
  cursor->setPosition(static_cast<int>(at));
  cursor->setPosition(static_cast<int>(at + length), QTextCursor::KeepAnchor);
}

// The last occurrence lying wholly within [from, to), or -1.
qsizetype LastWithin(const QString& text, const QString& find, qsizetype from, qsizetype to,
                     Qt::CaseSensitivity cs) {
  const qsizetype start = to - find.size();
  if (start < from) return -1;
  const qsizetype at = text.lastIndexOf(find, start, cs);
  return at >= from ? at : -1;
}

// The first occurrence lying wholly within [from, to), or -1.
qsizetype FirstWithin(const QString& text, const QString& find, qsizetype from, qsizetype to,
                      Qt::CaseSensitivity cs) {
  const qsizetype at = text.indexOf(find, from, cs);
  return at >= 0 && at + find.size() <= to ? at : -1;
}

}  // namespace

bool KdxSelectionMatches(const QTextCursor& cursor, const QString& find, bool ignoreCase) {
  if (find.isEmpty() || cursor.document() == nullptr) return false;
  const QString text = cursor.document()->toPlainText();
  return MatchesAt(text, cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart(),
                   find, ignoreCase);
}

int32_t KdxFindBody(QTextCursor* cursor, const QString& find, const KdxFindOptions& options) {
  if (find.isEmpty() || cursor->document() == nullptr) return kKdxFindNotFound;
  const QString text = cursor->document()->toPlainText();
  const qsizetype length = text.size();
  const qsizetype s = cursor->selectionStart();
  const qsizetype n = cursor->selectionEnd() - s;
  const Qt::CaseSensitivity cs = Sensitivity(options.ignoreCase);

  qsizetype at = -1;
  if (options.backward) {
    at = LastWithin(text, find, 0, s, cs);
  } else {
    const qsizetype from = MatchesAt(text, s, n, find, options.ignoreCase) ? s + n : s;
    at = FirstWithin(text, find, from, length, cs);
  }
  if (at >= 0) {
    Select(cursor, at, find.size());
    return kKdxFindFound;
  }
  if (!options.wrap) return kKdxFindNotFound;
  at = options.backward ? LastWithin(text, find, s, length, cs)
                        : FirstWithin(text, find, 0, s + n, cs);
  if (at < 0) return kKdxFindNotFound;
  Select(cursor, at, find.size());
  return kKdxFindWrapped;
}

int32_t KdxReplaceBody(QTextCursor* cursor, const QString& find, const QString& replace,
                       bool ignoreCase, bool editable) {
  if (!KdxSelectionMatches(*cursor, find, ignoreCase)) return kKdxReplaceNoMatch;
  if (!editable) return kKdxReplaceDone;
  const int start = cursor->selectionStart();
  const int end = cursor->selectionEnd();
  // The format of the match's first character, whichever way it was selected.
  QTextCursor first(cursor->document());
  first.setPosition(start + 1);
  const QTextCharFormat format = first.charFormat();
  cursor->beginEditBlock();
  cursor->setPosition(start);
  cursor->setPosition(end, QTextCursor::KeepAnchor);
  cursor->insertText(replace, format);
  cursor->endEditBlock();
  return kKdxReplaceDone;
}

int32_t KdxReplaceAllBody(QTextCursor* cursor, const QString& find, const QString& replace,
                          bool ignoreCase, bool editable) {
  cursor->setPosition(0);
  if (find.isEmpty() || !editable || cursor->document() == nullptr) return 0;
  // The occurrences a forward find would meet one after the other, each
  // search going on after the text that replaced the one before: in the
  // text as it is now, each after the end of the one before.
  const QString text = cursor->document()->toPlainText();
  const Qt::CaseSensitivity cs = Sensitivity(ignoreCase);
  std::vector<qsizetype> found;
  for (qsizetype at = text.indexOf(find, 0, cs); at >= 0;
       at = text.indexOf(find, at + find.size(), cs)) {
    found.push_back(at);
  }
  if (found.empty()) return 0;
  // Replaced from the last, so that the places before stay where they are;
  // one edit block, so that one undo brings all of them back.
  cursor->beginEditBlock();
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    const int at = static_cast<int>(*it);
    QTextCursor first(cursor->document());
    first.setPosition(at + 1);
    const QTextCharFormat format = first.charFormat();
    cursor->setPosition(at);
    cursor->setPosition(at + static_cast<int>(find.size()), QTextCursor::KeepAnchor);
    cursor->insertText(replace, format);
  }
  cursor->endEditBlock();
  // The caret after the last replacement, as replacing one by one leaves it.
  const qsizetype growth = replace.size() - find.size();
  cursor->setPosition(static_cast<int>(
      found.back() + growth * static_cast<qsizetype>(found.size() - 1) + replace.size()));
  return static_cast<int32_t>(found.size());
}

QString KdxSelectionAsFindString(const QTextCursor& cursor) {
  QString text = cursor.selectedText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  text.replace(QChar::Nbsp, QLatin1Char(' '));
  return text;
}
