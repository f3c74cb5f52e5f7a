// Finding and replacing in an entry's body, on the body's document and a
// cursor that holds its selection; no window involved.
//
// One rule says what a match is, for the search and for the test whether the
// selection already is one: the find string occurs at that place of the
// document's plain text (one unit per character, per block separator and per
// attachment, so positions are the cursor's), compared exactly or with Qt's
// case folding. Because the two never disagree, replacing all ends.
#pragma once

#include <QString>
#include <cstdint>

class QTextCursor;
class QTextDocument;

// Results of one find: found (0), found after going round the end (1),
// nothing found (-1, also for an empty find string).
inline constexpr int32_t kKdxFindFound = 0;
inline constexpr int32_t kKdxFindWrapped = 1;
inline constexpr int32_t kKdxFindNotFound = -1;
// Results of one replace: done (0, also when the body may not be changed),
// the selection is not a match (-2).
inline constexpr int32_t kKdxReplaceDone = 0;
inline constexpr int32_t kKdxReplaceNoMatch = -2;

struct KdxFindOptions {
  bool backward = false;
  bool ignoreCase = false;
  bool wrap = false;
};

// Whether the selection of cursor is an occurrence of find.
[[nodiscard]] bool KdxSelectionMatches(const QTextCursor& cursor, const QString& find,
                                       bool ignoreCase);

// One find from the selection of cursor, which selects the match when there
// is one. Backward looks before the selection; forward from the selection's
// start, or from its end when the selection already is a match, so that
// finding again moves on. Wrapping searches the rest from the other end.
[[nodiscard]] int32_t KdxFindBody(QTextCursor* cursor, const QString& find,
                                  const KdxFindOptions& options);

// Replaces the selection of cursor by replace when it is a match, as one
// undoable edit in the character format of the match; the cursor is left
// after the inserted text. editable false changes nothing (0).
[[nodiscard]] int32_t KdxReplaceBody(QTextCursor* cursor, const QString& find,
                                     const QString& replace, bool ignoreCase, bool editable);

// Every occurrence from the start of the document replaced, as finding
// forward and replacing in turn would (occurrences the replacements bring in
// are not replaced again), in the format of each, as one undoable edit; the
// caret ends after the last replacement. The number replaced; 0 for an empty
// find string or a body that may not change.
[[nodiscard]] int32_t KdxReplaceAllBody(QTextCursor* cursor, const QString& find,
                                        const QString& replace, bool ignoreCase, bool editable);

// A selection as a find or replace string: block and line separators as
// line feeds and no-break spaces as spaces, the way the search sees the text.
[[nodiscard]] QString KdxSelectionAsFindString(const QTextCursor& cursor);
