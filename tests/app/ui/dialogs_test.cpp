// The message boxes and small dialogs, driven for real without a display: what the user reads, which
// buttons are there, and what each way of closing them hands back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

#include "app/messages.h"
#include "app/settings.h"
#include "base/strings.h"
#include "app/ui/about_dialog.h"
#include "app/ui/folder_dialog.h"
#include "app/ui/once_dialog.h"
#include "app/ui/profile_description_dialog.h"
#include "app/ui/qt_presenter.h"
#include "base/ui/ui_text.h"
#include "image/ui/enter_zoom_dialog.h"
#include "image/ui/jpeg_save_dialog.h"
#include "support/run_command.h"
#include "support/test_environment.h"
#include "support/ui_modal.h"

namespace tintara {
namespace {

template <typename T = QPushButton>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

void Click(QWidget* parent, const char* name) {
  if (QPushButton* button = Child(parent, name)) button->click();
}

// A key as the keyboard delivers it: press and release, with the character it types.
void Key(QWidget* widget, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(widget, &release);
}

void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) Key(widget, Qt::Key_unknown, QString(c));
}

void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

TEST(OnceDialog, ShowsOkAloneOrContinueAndCancelAndReadsTheBoxOnlyWhenAccepted) {
  {
    COnceDialog dialog(QStringLiteral("Marked."), false);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Tintara Message");
    EXPECT_EQ(Child<QLabel>(&dialog, "messageText")->text(), "Marked.");
    EXPECT_EQ(Child<QCheckBox>(&dialog, "dontShowAgain")->text(), "Don't show this message again");
    EXPECT_FALSE(Child<QCheckBox>(&dialog, "dontShowAgain")->isChecked());
    EXPECT_TRUE(Child(&dialog, "okButton")->isVisible());
    EXPECT_FALSE(Child(&dialog, "continueButton")->isVisible());
    EXPECT_FALSE(Child(&dialog, "cancelButton")->isVisible());
    Child<QCheckBox>(&dialog, "dontShowAgain")->setChecked(true);
    Click(&dialog, "okButton");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.dontShowAgain());
  }
  struct Case {
    const char* button;  // nullptr: the box is closed from its title bar
    bool accepted;
  };
  for (const Case c : {Case{"continueButton", true}, Case{"cancelButton", false}, Case{nullptr, false}}) {
    COnceDialog dialog(QStringLiteral("Too dark."), true);
    dialog.show();
    EXPECT_FALSE(Child(&dialog, "okButton")->isVisible());
    EXPECT_TRUE(Child(&dialog, "continueButton")->isVisible());
    EXPECT_TRUE(Child(&dialog, "continueButton")->isDefault());
    EXPECT_TRUE(Child(&dialog, "cancelButton")->isVisible());
    Child<QCheckBox>(&dialog, "dontShowAgain")->setChecked(true);
    if (c.button) {
      Click(&dialog, c.button);
    } else {
      dialog.close();
    }
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << (c.button ? c.button : "close");
    EXPECT_EQ(dialog.dontShowAgain(), c.accepted) << (c.button ? c.button : "close");
  }
}

class PresenterTest : public ::testing::Test {
 protected:
  test::PrivateSettings settings;
  QMainWindow window;
  QtMessagePresenter presenter{&window};
};

// Through the message convention to the real box and back: Cancel with the box ticked keeps the
// message coming, Continue with it ticked silences it, and a silenced message opens no window.
TEST_F(PresenterTest, OnceMessagesAreSilencedOnlyByContinue) {
  auto answer = [](const char* button) {
    return [button](COnceDialog* dialog) {
      Child<QCheckBox>(dialog, "dontShowAgain")->setChecked(true);
      Click(dialog, button);
    };
  };
  {
    test::ModalScript script;
    script.Then<COnceDialog>([&](COnceDialog* dialog) {
        EXPECT_EQ(ui::ToUtf8(Child<QLabel>(dialog, "messageText")->text()), StringOrEmpty(40711));
      answer("cancelButton")(dialog);
    });
    script.Then<COnceDialog>(answer("continueButton"));
    EXPECT_FALSE(AppMessages().ShowOnce(40711, true));
    EXPECT_TRUE(AppMessages().ShowOnce(40711, true));
    EXPECT_EQ(script.StepsDone(), 2);
  }
  test::ModalScript unexpected(300);
  unexpected.Then<QWidget>([](QWidget* w) { w->close(); });
  EXPECT_TRUE(AppMessages().ShowOnce(40711, true));
  Wait(50);
  EXPECT_EQ(unexpected.StepsDone(), 0);
}

TEST_F(PresenterTest, BoxesCarryCaptionIconAndOwnerAndAnswerWithTheButtonPressed) {
  struct Seen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget* parent = nullptr;
  };
  std::vector<Seen> seen;
  auto press = [&](QMessageBox::StandardButton button) {
    return [&seen, button](QMessageBox* box) {
      seen.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->parentWidget()});
      box->button(button)->click();
    };
  };
  test::ModalScript script;
  script.Then<QMessageBox>(press(QMessageBox::Ok))
      .Then<QMessageBox>(press(QMessageBox::Yes))
      .Then<QMessageBox>(press(QMessageBox::No))
      .Then<QMessageBox>(press(QMessageBox::No))
      .Then<QMessageBox>(press(QMessageBox::Cancel));
  AppMessages().ShowError(13);
  EXPECT_TRUE(AppMessages().AskReplaceReadOnly());
  EXPECT_FALSE(presenter.AskYesNo("Tintara Warning", "Replace?"));
  EXPECT_EQ(presenter.AskYesNoCancel("Tintara Warning", "Save it?"), YesNoCancel::kNo);
  EXPECT_EQ(presenter.AskYesNoCancel("Tintara Warning", "Save it?"), YesNoCancel::kCancel);
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0].title, "Tintara Error");
  EXPECT_EQ(seen[0].text, "There was an error saving the color profile.");
  EXPECT_EQ(seen[0].buttons, QMessageBox::Ok);
  EXPECT_EQ(seen[1].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(seen[4].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.icon, QMessageBox::Warning);
    EXPECT_EQ(s.parent, &window);
  }

  AppMessages().ShowStatus(40800);
  EXPECT_EQ(window.statusBar()->currentMessage(), "The color profile was successfully created.");
}

TEST_F(PresenterTest, DescriptionDialogLimitsTheTextAndSavesOnlyOnOk) {
  std::string initial(70, 'd');
  test::ModalScript script;
  script.Then<CProfileDescriptionDialog>([&](CProfileDescriptionDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "New Profile");
    auto* edit = Child<QLineEdit>(dialog, "description");
    EXPECT_EQ(edit->text().size(), 63);
    EXPECT_EQ(edit->selectedText(), edit->text());
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(dialog->findChild<QGroupBox*>()->title(), "Enter Profile Description (Max 63 Characters)");
    Child<QCheckBox>(dialog, "saveToDisk")->setChecked(true);
    Click(dialog, "cancelButton");
  });
  script.Then<CProfileDescriptionDialog>([&](CProfileDescriptionDialog* dialog) {
    auto* edit = Child<QLineEdit>(dialog, "description");
    edit->clear();
    Type(edit, QString(80, QLatin1Char('x')));  // typed, not set: the limit holds for typing
    Child<QCheckBox>(dialog, "saveToDisk")->setChecked(true);
    Click(dialog, "okButton");
  });
  EXPECT_FALSE(presenter.AskDescription(initial).ok);
  const DescriptionAnswer typed = presenter.AskDescription("Studio");
  EXPECT_TRUE(typed.ok);
  EXPECT_EQ(typed.description, std::string(63, 'x'));
  EXPECT_TRUE(typed.saveToDisk);
  EXPECT_FALSE(script.TimedOut());
}

TEST_F(PresenterTest, JpegQualityFollowsTheSlider) {
  test::ModalScript script;
  script.Then<CJPEGSaveDialog>([](CJPEGSaveDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "JPEG Options");
    auto* slider = Child<QSlider>(dialog, "quality");
    auto* label = Child<QLabel>(dialog, "qualityText");
    EXPECT_EQ(slider->maximum(), 100);
    EXPECT_EQ(slider->value(), 75);
    EXPECT_EQ(label->text(), "75%");
    EXPECT_EQ(QApplication::focusWidget(), slider);
    Key(slider, Qt::Key_PageDown);  // a page is ten
    EXPECT_EQ(label->text(), "65%");
    Key(slider, Qt::Key_Left);
    EXPECT_EQ(label->text(), "64%");
    Click(dialog, "okButton");
  });
  script.Then<CJPEGSaveDialog>([](CJPEGSaveDialog* dialog) {
    EXPECT_EQ(Child<QSlider>(dialog, "quality")->value(), 100);  // 250 brought into range
    Click(dialog, "cancelButton");
  });
  EXPECT_EQ(presenter.AskJpegQuality(75), 64);
  EXPECT_EQ(presenter.AskJpegQuality(250), std::nullopt);
}

// A number out of range or no number at all is refused with a message and the dialog stays open
// until the number is right.
TEST_F(PresenterTest, ZoomDialogStaysOpenUntilTheNumberIsInRange) {
  std::vector<QString> messages;
  auto type = [](const char* text) {
    return [text](CEnterZoomDialog* dialog) {
      auto* edit = Child<QLineEdit>(dialog, "percent");
      edit->setText(QString::fromLatin1(text));
      Click(dialog, "okButton");
    };
  };
  auto dismiss = [&](QMessageBox* box) {
    messages.push_back(box->text());
    EXPECT_EQ(box->parentWidget()->windowTitle(), "Enter Zoom");
    box->accept();
  };
  test::ModalScript script;
  script.Then<CEnterZoomDialog>([&](CEnterZoomDialog* dialog) {
    auto* edit = Child<QLineEdit>(dialog, "percent");
    EXPECT_EQ(edit->text(), "100");
    EXPECT_EQ(edit->selectedText(), "100");
    EXPECT_EQ(Child<QGroupBox>(dialog, "zoomGroup")->title(), "Zoom (1% - 819%)");
    type("820")(dialog);
  });
  script.Then<QMessageBox>(dismiss)
      .Then<CEnterZoomDialog>(type("12x"))
      .Then<QMessageBox>(dismiss)
      .Then<CEnterZoomDialog>(type("0"))
      .Then<QMessageBox>(dismiss)
      .Then<CEnterZoomDialog>(type(" 819 "));
  EXPECT_EQ(presenter.AskZoomPercent(100, 1, 819), 819);
  EXPECT_EQ(messages, (std::vector<QString>{"Please enter an integer between 1 and 819.", "Please enter an integer.",
                                            "Please enter an integer between 1 and 819."}));
  EXPECT_EQ(script.StepsDone(), 7);
}

TEST_F(PresenterTest, FileDialogShowsTheLabelsAndReportsFilesAndFilter) {
  test::TempDir dir;
  test::WriteFileText(dir.File("Studio.TNP"), "x");
  test::WriteFileText(dir.File("Dawn.tnp"), "x");

  FileDialogRequest open;
  open.kind = FileDialogRequest::Kind::kOpenSeveral;
  open.title = "Add Profile";
  open.filters = {{"TIFF file (*.tif; *.tiff)", {"*.tif", "*.tiff"}}, {"Color profile (*.tnp)", {"*.tnp"}}};
  open.selectedFilter = 1;
  open.folder = dir.path();
  test::ModalScript script;
  script.Then<QFileDialog>([&](QFileDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "Add Profile");
    EXPECT_EQ(dialog->parentWidget(), &window);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(ui::ToUtf8(dialog->directory().absolutePath()), dir.path());
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(types->itemText(0), "TIFF file (*.tif; *.tiff)");
    EXPECT_EQ(types->currentText(), "Color profile (*.tnp)");
    Child<QLineEdit>(dialog, "fileNameEdit")->setText(QStringLiteral("\"Studio.TNP\" \"Dawn.tnp\""));
    static_cast<QDialog*>(dialog)->accept();
  });
  const FileDialogAnswer opened = presenter.AskFiles(open);
  EXPECT_TRUE(opened.ok);
  EXPECT_EQ(opened.chosenFilter, 1);
  EXPECT_EQ(opened.paths, (std::vector<std::string>{dir.File("Studio.TNP"), dir.File("Dawn.tnp")}));

  FileDialogRequest save;
  save.kind = FileDialogRequest::Kind::kSave;
  save.filters = {{"Color profile (*.tnp)", {"*.tnp"}}, {"All files (*.*)", {"*.*"}}};
  save.folder = dir.path();
  save.fileName = "Portrait.tnp";
  save.defaultSuffix = "tnp";
  save.confirmOverwrite = true;
  script.Then<QFileDialog>([&](QFileDialog* dialog) {
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(Child<QLineEdit>(dialog, "fileNameEdit")->text(), "Portrait.tnp");
    Child<QLineEdit>(dialog, "fileNameEdit")->setText(QStringLiteral("Evening"));
    static_cast<QDialog*>(dialog)->accept();
  });
  const FileDialogAnswer saved = presenter.AskFiles(save);
  EXPECT_TRUE(saved.ok);
  EXPECT_EQ(saved.paths, std::vector<std::string>{dir.File("Evening.tnp")});
  EXPECT_EQ(saved.chosenFilter, 0);
  EXPECT_FALSE(script.TimedOut());
}

TEST_F(PresenterTest, FolderDialogListsFoldersFromTheInitialOne) {
  test::TempDir dir;
  test::TempDir other;
  test::ModalScript script;
  script.Then<CFolderDialog>([&](CFolderDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "Browse for profile folder");
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
    EXPECT_EQ(ui::ToUtf8(dialog->directory().absolutePath()), dir.path());
    Child<QLineEdit>(dialog, "fileNameEdit")->setText(ui::ToQString(other.path()));
    static_cast<QDialog*>(dialog)->accept();
  });
  script.Then<CFolderDialog>([](CFolderDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(presenter.AskFolder("Browse for profile folder", dir.path()), other.path());
  EXPECT_EQ(presenter.AskFolder("Browse for profile folder", dir.path()), std::nullopt);
}

TEST_F(PresenterTest, AboutShowsTheVersionsUnderAWhiteBandWithALineBelow) {
  CAboutDialog about(&window);
  about.show();
  EXPECT_EQ(ui::ToUtf8(Child<QLabel>(&about, "productVersion")->text()),
            "Tintara Version " + Settings().ProductVersionText());
  EXPECT_EQ(ui::ToUtf8(Child<QLabel>(&about, "fileVersion")->text()), "File version " + Settings().FileVersionText());
  const QImage image = about.grab().toImage();
  ASSERT_GT(image.height(), CAboutDialog::kBandHeight + 10);
  const int x = image.width() - 3;  // clear of the texts
  EXPECT_EQ(image.pixelColor(x, CAboutDialog::kBandHeight - 1), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(x, CAboutDialog::kBandHeight), QColor(Qt::black));
  EXPECT_NE(image.pixelColor(x, CAboutDialog::kBandHeight + 4), QColor(Qt::white));
}

}  // namespace
}  // namespace tintara
