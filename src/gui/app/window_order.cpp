#include "gui/app/window_order.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QPointer>
#include <algorithm>
#include <vector>

namespace {

class WindowOrder : public QObject {
 public:
  std::vector<QPointer<QWidget>> windows;  // front first

  void ToFront(QWidget* window) {
    std::erase_if(windows,
                  [window](const QPointer<QWidget>& w) { return w.isNull() || w == window; });
    windows.insert(windows.begin(), window);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowActivate) {
      auto* window = qobject_cast<QMainWindow*>(watched);
      if (window != nullptr && window->isWindow()) ToFront(window);
    }
    return false;
  }
};

WindowOrder* Order() {
  static QPointer<WindowOrder> order;
  if (order.isNull() && qApp != nullptr) {
    order = new WindowOrder;
    order->setParent(qApp);
    qApp->installEventFilter(order);
  }
  return order;
}

}  // namespace

void KdxWatchWindowOrder() { (void)Order(); }

int KdxOrderedIndex(const QWidget* window) {
  WindowOrder* order = Order();
  if (order == nullptr) return -1;
  int index = 0;
  for (const QPointer<QWidget>& w : order->windows) {
    if (w.isNull() || !w->isVisible()) continue;
    if (w == window) return index;
    ++index;
  }
  return -1;
}

void KdxMoveToFrontOfOrder(QWidget* window) {
  if (WindowOrder* order = Order()) order->ToFront(window);
}

void KdxBringToFront(QWidget* window) {
  window->raise();
  window->activateWindow();
  KdxMoveToFrontOfOrder(window);
}
