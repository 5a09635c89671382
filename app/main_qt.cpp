// The Linux program: the same one fixed window as on Windows, in Qt 6 Widgets.
#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QString>
#include <QWidget>

#include <cstdio>
#include <exception>
#include <string_view>

#include "app/front_end.h"
#include "fsquery/message_pump.h"

namespace fenmarrow {
namespace {

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

void Place(QWidget& widget, const ControlPlace& place) {
  widget.setGeometry(place.left, place.top, place.width, place.height);
}

class MainWindow : public QWidget {
 public:
  explicit MainWindow(const BaseFolderState& base) : base_(base) {
    setWindowTitle(QString());
    setFixedSize(kWindowWidth, kWindowHeight);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);

    // 标签1
    title_.setText(ToQString(kTitleText));
    title_.setTextFormat(Qt::PlainText);  // "&" stays an ampersand
    QFont title_font = title_.font();
    title_font.setPixelSize(kTitleFontPixels);
    title_font.setBold(true);
    title_.setFont(title_font);
    title_.setAlignment(Qt::AlignCenter);
    Place(title_, kTitlePlace);

    // 标签2
    credit_.setText(ToQString(kCreditText));
    credit_.setTextFormat(Qt::PlainText);
    QFont credit_font(ToQString(kCreditFace));
    credit_font.setPixelSize(kCreditFontPixels);
    credit_font.setWeight(QFont::Normal);
    credit_.setFont(credit_font);
    credit_.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Place(credit_, kCreditPlace);

    // 按钮1
    button_.setText(ToQString(kButtonText));
    button_.setAutoDefault(false);
    button_.setDefault(false);
    Place(button_, kButtonPlace);
    QObject::connect(&button_, &QPushButton::clicked, [this] { OnClick(); });

    side_.set_button_caption = [this](const std::u16string& caption) {
      button_.setText(ToQString(caption));
      button_.repaint();
    };
    side_.show_box = [](const std::u16string& text, const std::u16string& caption) {
      QMessageBox box(QMessageBox::NoIcon, ToQString(caption), ToQString(text), QMessageBox::Ok);
      box.setWindowModality(Qt::ApplicationModal);
      box.exec();
    };
    side_.close_window = [this] { close(); };
    side_.post_quit = [](int code) { QCoreApplication::exit(code); };
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    // During a pass only note the wish: the pass stops after the folder in
    // progress and the window closes once the pass has returned.
    if (controller_.RequestClose()) {
      event->accept();
    } else {
      event->ignore();
    }
  }

 private:
  void OnClick() { HandleClick(controller_, base_, side_); }

  BaseFolderState base_;
  PassController controller_;
  WindowSide side_;
  QLabel title_{this};
  QLabel credit_{this};
  QPushButton button_{this};
};

int RunProgram(int argc, char** argv) {
  // The folder comes from /proc/self/exe before Qt may touch the directory.
  const BaseFolderState base = EnterProgramFolder();
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("fenmarrow"));
  MainWindow window(base);
  SetMessagePump([] { QCoreApplication::processEvents(); });
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    const WindowOrigin origin = CentredOrigin(area.width(), area.height());
    window.move(area.left() + origin.left, area.top() + origin.top);
  }
  window.show();
  const int code = QApplication::exec();
  SetMessagePump(nullptr);
  return code;
}

}  // namespace
}  // namespace fenmarrow

int main(int argc, char** argv) {
  try {
    return fenmarrow::RunProgram(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "fenmarrow: %s\n", error.what());
    return 1;
  }
}
