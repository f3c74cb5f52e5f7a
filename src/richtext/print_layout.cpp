#include "richtext/print_layout.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextFrameFormat>
#include <algorithm>
#include <cmath>
#include <utility>

#include "richtext/rtf_reader.h"

// Outside any namespace, as the resource's initialiser must be called.
static void InitPrintTemplates() { Q_INIT_RESOURCE(print_templates); }

namespace kdx_richtext {

namespace {

// A margin pair fit into length, leaving kPrintMinBodyPoints between them.
void ClampPair(double* a, double* b, double length) {
  for (double* m : {a, b}) {
    if (!std::isfinite(*m) || *m < 0) *m = 0;
  }
  const double room = std::max(0.0, length - kPrintMinBodyPoints);
  if (*a + *b > room) {
    const double shrink = *a + *b > 0 ? room / (*a + *b) : 0;
    *a *= shrink;
    *b *= shrink;
  }
}

}  // namespace

PrintMargins ClampPrintMargins(const PrintMargins& margins, QSizeF paperPoints) {
  PrintMargins m = margins;
  ClampPair(&m.left, &m.right, paperPoints.width());
  ClampPair(&m.top, &m.bottom, paperPoints.height());
  return m;
}

PrintPageRects PrintPageGeometry(QSizeF paperPoints, const PrintMargins& m, double headerHeight,
                                 double footerHeight) {
  const double width = std::floor(paperPoints.width() - m.left - m.right);
  PrintPageRects rects;
  rects.body = QRectF(m.left, m.top, width, paperPoints.height() - m.top - m.bottom);
  rects.header = QRectF(m.left, m.top / 2 - headerHeight / 2, width, m.top);
  rects.footer =
      QRectF(m.left, paperPoints.height() - m.bottom / 2 - footerHeight / 2, width, m.bottom);
  return rects;
}

int ReplaceTemplateVariable(QTextDocument* document, const QString& name, const QString& value) {
  if (name.isEmpty()) return 0;
  int count = 0;
  int from = 0;
  for (;;) {
    QTextCursor found = document->find(name, from, QTextDocument::FindCaseSensitively);
    if (found.isNull()) break;
    QTextCursor first(document);
    first.setPosition(found.selectionStart());
    first.setPosition(found.selectionStart() + 1, QTextCursor::KeepAnchor);
    found.insertText(value, first.charFormat());
    // On after the value: a value holding the name is not looked into.
    from = found.position();
    ++count;
  }
  return count;
}

void FillPrintTemplate(QTextDocument* document, int page, int total, const PrintVariables& v) {
  const std::pair<const char*, QString> values[] = {{"${page}", QString::number(page)},
                                                    {"${total}", QString::number(total)},
                                                    {"${title}", v.title},
                                                    {"${create_date}", v.createDate},
                                                    {"${update_date}", v.updateDate},
                                                    {"${print_date}", v.printDate},
                                                    {"${file_name}", v.fileName}};
  for (const auto& [name, value] : values) {
    ReplaceTemplateVariable(document, QString::fromLatin1(name), value);
  }
}

QByteArray BuiltInPrintTemplate(PrintTemplateKind kind) {
  // A static library's resources are not registered unless asked for.
  static const bool registered = (InitPrintTemplates(), true);
  (void)registered;
  QFile file(kind == PrintTemplateKind::header ? QStringLiteral(":/kdx-print/header.rtf")
                                               : QStringLiteral(":/kdx-print/footer.rtf"));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool LoadPrintTemplate(const QByteArray& stored, PrintTemplateKind kind, QTextDocument* document) {
  if (!stored.isEmpty() && ReadRtf(stored, document).ok) return true;
  (void)ReadRtf(BuiltInPrintTemplate(kind), document);
  return false;
}

// ---- PrintPaginator --------------------------------------------------------

namespace {

// A copy of document laid out on device at width (device units).
std::unique_ptr<QTextDocument> LaidOutCopy(const QTextDocument& document, QPaintDevice* device,
                                           double width) {
  std::unique_ptr<QTextDocument> copy(document.clone());
  copy->documentLayout()->setPaintDevice(device);
  copy->setDocumentMargin(0);
  copy->setTextWidth(width);
  return copy;
}

}  // namespace

PrintPaginator::PrintPaginator(const QTextDocument& body, const QTextDocument& headerTemplate,
                               const QTextDocument& footerTemplate, QPaintDevice* device,
                               QSizeF paperPoints, const PrintMargins& margins,
                               PrintVariables variables)
    : device_(device),
      scale_(device->logicalDpiY() / 72.0),
      paper_(paperPoints),
      margins_(ClampPrintMargins(margins, paperPoints)),
      variables_(std::move(variables)) {
  const PrintPageRects rects = PrintPageGeometry(paper_, margins_, 0, 0);
  const double width = rects.body.width() * scale_;
  header_ = LaidOutCopy(headerTemplate, device, width);
  footer_ = LaidOutCopy(footerTemplate, device, width);

  body_.reset(body.clone());
  body_->documentLayout()->setPaintDevice(device);
  QTextFrameFormat frame = body_->rootFrame()->frameFormat();
  frame.setLeftMargin(0);
  frame.setRightMargin(0);
  // Frame margins are pixels of a 96 dpi screen, which the layout scales to the device.
  frame.setTopMargin(kPrintBodyInsetPoints * 96 / 72);
  frame.setBottomMargin(kPrintBodyInsetPoints * 96 / 72);
  body_->rootFrame()->setFrameFormat(frame);
  body_->setPageSize(QSizeF(width, rects.body.height() * scale_));
  // The one layout of the whole body: every page and "${total}" come from it.
  pageCount_ = std::max(1, body_->pageCount());
}

PrintPaginator::~PrintPaginator() = default;

std::unique_ptr<QTextDocument> PrintPaginator::Filled(const QTextDocument& model, int page) const {
  std::unique_ptr<QTextDocument> filled(model.clone());
  filled->documentLayout()->setPaintDevice(device_);
  filled->setDocumentMargin(0);
  filled->setTextWidth(model.textWidth());
  FillPrintTemplate(filled.get(), page, pageCount_, variables_);
  return filled;
}

std::unique_ptr<QTextDocument> PrintPaginator::Header(int page) const {
  return Filled(*header_, page);
}

std::unique_ptr<QTextDocument> PrintPaginator::Footer(int page) const {
  return Filled(*footer_, page);
}

double PrintPaginator::NaturalHeightPoints(const QTextDocument& document) const {
  return document.size().height() / scale_;
}

PrintPageRects PrintPaginator::Geometry(int page) const {
  return PrintPageGeometry(paper_, margins_, NaturalHeightPoints(*Header(page)),
                           NaturalHeightPoints(*Footer(page)));
}

void PrintPaginator::DrawPage(QPainter* painter, int page) const {
  const std::unique_ptr<QTextDocument> header = Header(page);
  const std::unique_ptr<QTextDocument> footer = Footer(page);
  const PrintPageRects rects = PrintPageGeometry(paper_, margins_, NaturalHeightPoints(*header),
                                                 NaturalHeightPoints(*footer));
  const auto inDevice = [this](const QRectF& r) {
    return QRectF(r.x() * scale_, r.y() * scale_, r.width() * scale_, r.height() * scale_);
  };

  const QRectF body = inDevice(rects.body);
  const double sliceTop = (page - 1) * body.height();
  painter->save();
  painter->translate(body.left(), body.top() - sliceTop);
  QAbstractTextDocumentLayout::PaintContext context;
  context.clip = QRectF(0, sliceTop, body.width(), body.height());
  painter->setClipRect(context.clip);
  body_->documentLayout()->draw(painter, context);
  painter->restore();

  for (const auto& [text, rect] :
       {std::pair(header.get(), rects.header), std::pair(footer.get(), rects.footer)}) {
    const QRectF place = inDevice(rect);
    painter->save();
    painter->translate(place.topLeft());
    text->drawContents(painter, QRectF(QPointF(0, 0), place.size()));
    painter->restore();
  }
}

std::vector<int> PrintPageList(int total, const QPageRanges& ranges) {
  std::vector<int> pages;
  for (int page = 1; page <= total; ++page) {
    if (ranges.isEmpty() || ranges.contains(page)) pages.push_back(page);
  }
  return pages;
}

bool PrintPages(QPagedPaintDevice* device, QPainter* painter, const PrintPaginator& paginator,
                const std::vector<int>& pages, bool newSheetFirst) {
  if (!painter->isActive()) return false;
  bool sheetFree = !newSheetFirst;
  for (int page : pages) {
    if (!sheetFree && !device->newPage()) return false;
    sheetFree = false;
    paginator.DrawPage(painter, page);
  }
  return true;
}

}  // namespace kdx_richtext
