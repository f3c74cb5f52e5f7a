#include "gui/app/kdx_application.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QPainter>
#include <QSplashScreen>
#include <QTimer>
#include <QUrl>

#include "core/prefs/pref_file.h"
#include "core/util/vell_file.h"
#include "core/util/vell_time.h"
#include "gui/app/alert_texts.h"
#include "gui/app/alerts.h"
#include "gui/app/conversion.h"
#include "gui/app/document_window.h"
#include "gui/app/help_guide.h"
#include "gui/app/localization.h"
#include "gui/app/preference_window.h"
#include "gui/app/recently_used.h"
#include "gui/app/startup_dialog.h"
#include "gui/app/startup_logic.h"

namespace {

KdxApplication* gInstance = nullptr;

QPixmap SplashPicture() {
  // Drawn at the screen's pixel density, so that it is sharp at 200% too.
  const qreal density = qApp->devicePixelRatio();
  const QSize size(420, 220);
  QPixmap picture(size * density);
  picture.setDevicePixelRatio(density);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(172, 196, 184));
  painter.setPen(QPen(QColor(90, 120, 105), 2));
  painter.drawRoundedRect(QRect(QPoint(0, 0), size).adjusted(1, 1, -1, -1), 18, 18);
  QFont title = painter.font();
  title.setPointSize(30);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(QColor(30, 50, 40));
  painter.drawText(QRect(0, 50, size.width(), 60), Qt::AlignCenter, QStringLiteral("Kardinex"));
  char version[64];
  Vell_MakeVersionString(KDX_VERSION_CHARS, 3, version, sizeof version);
  QFont small = painter.font();
  small.setPointSize(11);
  small.setBold(false);
  painter.setFont(small);
  painter.drawText(QRect(0, 120, size.width(), 30), Qt::AlignCenter,
                   QStringLiteral("Version %1").arg(QString::fromUtf8(version)));
  return picture;
}

}  // namespace

KdxApplication::KdxApplication(QObject* parent) : QObject(parent) {
  gInstance = this;
  // Every window without an icon of its own shows the application's.
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/kardinex-%1.png").arg(size), QSize(size, size));
  }
  QApplication::setWindowIcon(icon);
  QGuiApplication::setDesktopFileName(QStringLiteral("kardinex"));
}

KdxApplication::~KdxApplication() {
  // Windows still open (a test's, or at a forced end) go without being asked.
  const std::vector<KdxDocument*> open = documents_;
  for (KdxDocument* document : open) delete document;
  if (gInstance == this) gInstance = nullptr;
}

KdxApplication* KdxApplication::instance() { return gInstance; }

QString KdxApplication::temporaryFolder() {
  if (!temporaryFolder_) {
    temporaryFolder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/kardinex-XXXXXX");
    QFile::setPermissions(temporaryFolder_->path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  return temporaryFolder_->isValid() ? temporaryFolder_->path() : QString();
}

void KdxApplication::RunSplashOnce() {
  if (splashHasRun_) return;
  splashHasRun_ = true;
  const double seconds = KdxSplashSeconds();
  QSplashScreen splash(SplashPicture(), Qt::WindowStaysOnTopHint);
  splash.setAttribute(Qt::WA_TranslucentBackground);
  splash.show();
  QEventLoop wait;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &wait, &QEventLoop::quit);
  wait.exec();
  splash.close();
}

bool KdxApplication::Start(const QStringList& files) {
  RunSplashOnce();
  for (const QString& file : files) (void)OpenDocument(file);
  if (documents_.empty()) ShowStartupDialog();
  return !documents_.empty();
}

void KdxApplication::ShowStartupDialog() {
  if (startupShowing_) return;
  startupShowing_ = true;
  RunSplashOnce();
  while (documents_.empty()) {
    StartupDlg dialog(KdxStartupRecentPaths());
    startupDialog_ = &dialog;
    dialog.chooseOpenPath = [&] { return ChooseOpenFilePath(&dialog); };
    dialog.chooseNewPath = [&] { return ChooseNewFilePath(&dialog); };
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    const int result = dialog.exec();
    startupDialog_ = nullptr;
    if (result == StartupDlg::kNew) {
      (void)NewDocumentAt(dialog.chosenPath());
    } else if (result == StartupDlg::kOpened || result == StartupDlg::kSelected) {
      (void)OpenDocument(dialog.chosenPath());
    } else {
      break;  // closed or 終了
    }
  }
  startupShowing_ = false;
  if (documents_.empty() && startupWhenEmpty_) {
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
  }
}

void KdxApplication::OpenHandedOver(const QStringList& paths) {
  for (const QString& path : paths) (void)OpenDocument(path);
  // A document handed over while the start-up dialog asks is the answer.
  if (!documents_.empty() && startupDialog_ != nullptr) startupDialog_->reject();
  if (!paths.isEmpty()) return;
  if (QWidget* front = QApplication::activeModalWidget()) {
    front->raise();
    front->activateWindow();
  } else if (!documents_.empty()) {
    KdxDocument* document = documents_.back();
    document->show();
    document->raise();
    document->activateWindow();
  } else {
    ShowStartupDialog();
  }
}

KdxDocument* KdxApplication::FindOpenDocument(const QString& path) const {
  const std::string p = path.toStdString();
  for (KdxDocument* document : documents_) {
    if (KDX_IsSameFile(document->session().path().c_str(), p.c_str()) == 1) return document;
  }
  return nullptr;
}

KdxPasswordPrompt KdxApplication::PasswordPrompt(QWidget* parent) const {
  if (testPrompt_) return testPrompt_;
  return [parent](int attempt) -> std::optional<std::string> {
    PasswordCheckDlg dialog(QStringLiteral("Kardinex"), attempt > 0, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.password().toStdString();
  };
}

KdxDocument* KdxApplication::OpenDocument(const QString& path) {
  if (KdxDocument* open = FindOpenDocument(path)) {
    open->show();
    open->raise();
    open->activateWindow();
    return open;
  }
  const std::string file = QFileInfo(path).absoluteFilePath().toStdString();
  if (!KdxHasDocumentExtension(file)) {
    KDXCOMM_AlertOK(nullptr, KdxText(kKdxMsgNotADocumentFile));
    return nullptr;
  }
  auto* document = new KdxDocument(this);
  documents_.push_back(document);
  const KdxOpenResult result =
      document->Open(file, PasswordPrompt(nullptr), [] { return KdxAskToConvert(nullptr); });
  // A document of the previous format is copied aside before anything changes.
  std::string backup;
  if (result != KdxOpenResult::kOk ||
      (document->session().needsConversion() && !KdxBackupBeforeConversion(file, &backup))) {
    std::erase(documents_, document);
    delete document;
    const std::string text = KdxOpenFailureText(result, std::string());
    if (!text.empty()) KDXCOMM_AlertOK(nullptr, QString::fromStdString(text));
    return nullptr;
  }
  document->show();
  document->raise();
  document->activateWindow();
  if (!backup.empty() && !KdxConvertShownDocument(document, backup)) return nullptr;
  (void)PREF_WriteFilePath(kPrefOpenFileKey, file.c_str());
  (void)PREF_AddRecentFile(file);
  (void)KdxAddDesktopRecentFile(QString::fromStdString(file), KdxRecentlyUsedPath());
  return document;
}

bool KdxApplication::NewDocumentAt(const QString& path) {
  const std::string file =
      KdxWithDocumentExtension(QFileInfo(path).absoluteFilePath().toStdString());
  if (FindOpenDocument(QString::fromStdString(file)) != nullptr) {
    KdxBeep();
    KDXCOMM_AlertOK(nullptr, KdxText(kKdxMsgReplaceOpenDocument));
    return false;
  }
  if (!KdxCreateDocumentReplacing(file)) {
    KdxBeep();
    KDXCOMM_AlertOK(nullptr, KdxText(kKdxMsgCannotCreateFile));
    return false;
  }
  return OpenDocument(QString::fromStdString(file)) != nullptr;
}

QString KdxApplication::ChooseOpenFilePath(QWidget* parent) const {
  return QFileDialog::getOpenFileName(parent, KdxText("開く"),
                                      QString::fromStdString(KdxOpenPanelFolder()),
                                      QStringLiteral("Kardinex (*.kdx)"));
}

QString KdxApplication::ChooseNewFilePath(QWidget* parent) const {
  QFileDialog dialog(parent, KdxText("新規ファイル"),
                     QString::fromStdString(KdxProposedNewFilePath()),
                     QStringLiteral("Kardinex (*.kdx)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("kdx"));
  dialog.setLabelText(QFileDialog::Accept, KdxTextAs("作成", "button"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

void KdxApplication::newDocument() {
  const QString path = ChooseNewFilePath(QApplication::activeWindow());
  if (path.isEmpty()) return;
  (void)PREF_WriteFilePath(kPrefNewFileKey, QFileInfo(path).absolutePath().toStdString().c_str());
  (void)NewDocumentAt(path);
}

void KdxApplication::openDocument() {
  const QString path = ChooseOpenFilePath(QApplication::activeWindow());
  if (path.isEmpty()) return;
  (void)PREF_WriteFilePath(kPrefOpenFileKey, path.toStdString().c_str());
  (void)OpenDocument(path);
}

void KdxApplication::OpenHelp() {
  // Handed to the desktop's viewer; no shell is involved.
  const std::string guide = KdxHelpGuidePath(QCoreApplication::applicationDirPath().toStdString());
  if (!guide.empty()) QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(guide)));
}

void KdxApplication::ShowPreferences() {
  if (prefWindow_) {
    prefWindow_->MakeKeyAndOrderFront();
    return;
  }
  prefWindow_ = std::make_unique<PrefWindow>();
  prefWindow_->OpenPrefWindow();
}

void KdxApplication::quit() {
  quitting_ = true;
  const std::vector<KdxDocument*> open = documents_;
  for (KdxDocument* document : open) {
    if (!document->close()) {
      quitting_ = false;
      return;  // a window refused (a long operation is running)
    }
  }
  quitting_ = false;
  if (prefWindow_) prefWindow_->close();  // stores the fields typed last
  QCoreApplication::quit();
}

void KdxApplication::DocumentClosed(KdxDocument* document) {
  std::erase(documents_, document);
  if (documents_.empty() && !quitting_ && startupWhenEmpty_) {
    QTimer::singleShot(0, this, &KdxApplication::ShowStartupDialog);
  }
}
