// Dialogs and panels that come back where the user left them: the start-up
// dialog, the find panel and the preference window keep their frame in the
// preferences, each under its own key.
#pragma once

class QWidget;

// Moves and sizes the window to the frame stored under key; a missing or
// empty frame leaves it as it is.
void KdxRestoreWindowFrame(QWidget* window, const char* key);
// Stores the window's place and size under key.
void KdxStoreWindowFrame(const QWidget* window, const char* key);
