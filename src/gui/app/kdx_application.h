// The application's controller, one per process: the open documents (one
// window each, one per file however it is reached), start-up with the splash
// and the start-up dialog, and the commands every window's File menu offers.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "core/session/kdx_session.h"

class KdxDocument;
class PrefWindow;
class QDialog;
class QWidget;

class KdxApplication : public QObject {
  Q_OBJECT

 public:
  explicit KdxApplication(QObject* parent = nullptr);
  ~KdxApplication() override;
  // The controller of this process, or null before it is made.
  static KdxApplication* instance();

  // Start-up: the splash once, then each file given (any that opens), or the
  // start-up dialog when none was given or none opened. False when nothing is
  // open at the end: the application has nothing to show and quits.
  bool Start(const QStringList& files);

  // Opens the document at path in a window of its own, or raises the window
  // that already shows that file. Null when it cannot be opened: the user has
  // been told why, and every other document stays as it was.
  KdxDocument* OpenDocument(const QString& path);
  // Makes a new document at path (replacing a file there that no window has
  // open) and opens it. False after telling the user.
  bool NewDocumentAt(const QString& path);
  // The open document whose file is the file at path, or null.
  KdxDocument* FindOpenDocument(const QString& path) const;
  const std::vector<KdxDocument*>& documents() const { return documents_; }

  // The application's behaviour when nothing is open: closing the last
  // document window brings the start-up dialog back, and leaving that
  // dialog with nothing open quits. Tests turn both off.
  void setStartupWhenEmpty(bool on) { startupWhenEmpty_ = on; }
  // Tests answer the password question instead of a dialog.
  void setPasswordPromptForTest(KdxPasswordPrompt prompt) { testPrompt_ = std::move(prompt); }
  // A private folder (mode 0700) for files handed to other programs, removed
  // when the application ends.
  QString temporaryFolder();

 public slots:
  void newDocument();
  void openDocument();
  void OpenHelp();
  // The preference window, one per run: made and filled the first time,
  // brought to the front as it is afterwards.
  void ShowPreferences();
  // Closes every window through its own closing; quits when all closed.
  void quit();
  // The start-up dialog (never two at a time); quits when it leaves nothing open.
  void ShowStartupDialog();
  // Files another start of the application handed over: each opens (or its
  // window comes to the front); none brings this application to the front.
  void OpenHandedOver(const QStringList& paths);

 private:
  friend class KdxDocument;
  void DocumentClosed(KdxDocument* document);
  void RunSplashOnce();
  KdxPasswordPrompt PasswordPrompt(QWidget* parent) const;
  // The path the new-file panel gives, or empty.
  QString ChooseNewFilePath(QWidget* parent) const;
  QString ChooseOpenFilePath(QWidget* parent) const;

  std::vector<KdxDocument*> documents_;
  bool splashHasRun_ = false;
  bool startupShowing_ = false;
  QPointer<QDialog> startupDialog_;
  bool startupWhenEmpty_ = true;
  bool quitting_ = false;
  KdxPasswordPrompt testPrompt_;
  std::unique_ptr<QTemporaryDir> temporaryFolder_;
  std::unique_ptr<PrefWindow> prefWindow_;
};
