// The printed page of a body: its geometry, the header and footer templates
// with their variables, and a paginator that lays the body out once and draws
// any page onto a paint device (a printer, a PDF writer, a preview).
//
// Geometry is in points, y growing downwards from the top of the paper:
//
//   body    x = left, y = top, width = paper - left - right (whole points),
//           height = paper - top - bottom
//   header  x = left, y = top / 2 - header height / 2, width as the body,
//           height = top: centred in the top margin (it may overlap the body
//           when it is taller than the margin)
//   footer  x = left, y = paper - bottom / 2 - footer height / 2, width as
//           the body, height = bottom
//
// The header and footer heights are the natural heights of the filled
// templates laid out at the body's width.
#pragma once

#include <QByteArray>
#include <QPageRanges>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTextDocument>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;

namespace kdx_richtext {

// The smallest body left between the margins, each way.
inline constexpr double kPrintMinBodyPoints = 72;
// Inset of the body text at the top and bottom of each page, in points.
inline constexpr double kPrintBodyInsetPoints = 3;

struct PrintMargins {
  double left = 72;
  double top = 90;
  double right = 72;
  double bottom = 90;
};

// Margins fit for the paper: each at least 0 (one that is not a finite
// number counts as 0), and each pair made smaller in proportion where it would leave
// less than kPrintMinBodyPoints for the body. Paper smaller than that gets
// no margins.
[[nodiscard]] PrintMargins ClampPrintMargins(const PrintMargins& margins, QSizeF paperPoints);

struct PrintPageRects {
  QRectF header, body, footer;
};

// The rectangles of a page by the rule above; margins as given (clamp first).
[[nodiscard]] PrintPageRects PrintPageGeometry(QSizeF paperPoints, const PrintMargins& margins,
                                               double headerHeight, double footerHeight);

// What the variables of the templates stand for; the page numbers come from
// the paginator.
struct PrintVariables {
  QString title;
  QString createDate;  // view dates, "YYYY/MM/DD HH:MM"
  QString updateDate;
  QString printDate;
  QString fileName;  // the document's file name with its extension
};

// Replaces every occurrence of name in document by value, each in the
// character format of the name's first character. The search goes on after
// each inserted value, so a value holding the name is inserted once. The
// number of occurrences replaced.
int ReplaceTemplateVariable(QTextDocument* document, const QString& name, const QString& value);

// Fills a template copy for a page: "${page}", "${total}", "${title}",
// "${create_date}", "${update_date}", "${print_date}" and "${file_name}", in
// that order, numbers in decimal.
void FillPrintTemplate(QTextDocument* document, int page, int total,
                       const PrintVariables& variables);

enum class PrintTemplateKind { header, footer };

// The built-in template, RTF.
[[nodiscard]] QByteArray BuiltInPrintTemplate(PrintTemplateKind kind);

// Reads a template into document: the stored RTF when there is any and it
// reads, else the built-in one. False when the built-in one was used.
bool LoadPrintTemplate(const QByteArray& stored, PrintTemplateKind kind, QTextDocument* document);

// The body laid out into pages on a paint device, once, when made; pages are
// numbered from 1. The body is copied, so later edits of it do not show.
class PrintPaginator {
 public:
  // device gives the resolution of the layout; paperPoints the page. The
  // margins are clamped to the paper.
  PrintPaginator(const QTextDocument& body, const QTextDocument& headerTemplate,
                 const QTextDocument& footerTemplate, QPaintDevice* device, QSizeF paperPoints,
                 const PrintMargins& margins, PrintVariables variables);
  ~PrintPaginator();
  PrintPaginator(const PrintPaginator&) = delete;
  PrintPaginator& operator=(const PrintPaginator&) = delete;

  [[nodiscard]] int pageCount() const { return pageCount_; }
  [[nodiscard]] const PrintMargins& margins() const { return margins_; }

  // The header or footer of a page, filled and laid out at the body's width.
  [[nodiscard]] std::unique_ptr<QTextDocument> Header(int page) const;
  [[nodiscard]] std::unique_ptr<QTextDocument> Footer(int page) const;
  // The rectangles of a page (points), with its header's and footer's heights.
  [[nodiscard]] PrintPageRects Geometry(int page) const;

  // Draws a page onto painter, whose device is the paginator's and whose
  // origin is the top left corner of the paper.
  void DrawPage(QPainter* painter, int page) const;

 private:
  std::unique_ptr<QTextDocument> Filled(const QTextDocument& model, int page) const;
  [[nodiscard]] double NaturalHeightPoints(const QTextDocument& document) const;

  QPaintDevice* device_;
  double scale_;  // device units per point
  QSizeF paper_;
  PrintMargins margins_;
  PrintVariables variables_;
  std::unique_ptr<QTextDocument> body_, header_, footer_;
  int pageCount_ = 1;
};

// The pages to print of total: those in ranges, or all when ranges is empty.
[[nodiscard]] std::vector<int> PrintPageList(int total, const QPageRanges& ranges);

// Draws pages with painter, active on device, each on its own sheet; the
// painter's origin must be the paper's corner (a printer in full-page mode, a
// PDF writer without margins). With newSheetFirst the first page starts a new
// sheet too (one body printed after another). False when the painter is not
// active or a new sheet cannot be had.
bool PrintPages(QPagedPaintDevice* device, QPainter* painter, const PrintPaginator& paginator,
                const std::vector<int>& pages, bool newSheetFirst = false);

}  // namespace kdx_richtext
