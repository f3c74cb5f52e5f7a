// The application's window order, which Qt does not keep: document and entry
// windows in the order they were last activated, front first. A window's
// place in it is what a document stores to bring its windows back in the
// same order.
#pragma once

class QWidget;

// Starts following activations (once; later calls do nothing).
void KdxWatchWindowOrder();
// The window's place among the shown windows followed, 0 at the front; -1
// when it is not among them.
[[nodiscard]] int KdxOrderedIndex(const QWidget* window);
// Puts the window at the front of the order without showing it anywhere
// (the window the user is acting on, such as one being closed).
void KdxMoveToFrontOfOrder(QWidget* window);
// Raises and activates the window and puts it at the front of the order.
void KdxBringToFront(QWidget* window);
