// The Windows program: one fixed window with a title, a credit line and the
// button "执行", built on raw Win32 with the wide API throughout.
// windows.h first: the others build on its types.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <exception>
#include <string>
#include <string_view>

#include "app/front_end.h"
#include "fsquery/message_pump.h"

namespace fenmarrow {
namespace {

constexpr wchar_t kMainClass[] = L"FenmarrowMain";
constexpr wchar_t kLabelClass[] = L"FenmarrowLabel";
// 按钮1. Not IDOK (1): Enter must not act as a click on a button that is not
// the default one.
constexpr int kButtonId = 100;

// char16_t and wchar_t are both UTF-16 units on Windows.
std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// OLE for the user-interface thread, for as long as the program runs.
class OleSession {
 public:
  OleSession() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
  ~OleSession() {
    if (ok_) OleUninitialize();
  }
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;

 private:
  bool ok_;
};

class UniqueFont {
 public:
  explicit UniqueFont(HFONT font) : font_(font) {}
  ~UniqueFont() {
    if (font_ != nullptr) DeleteObject(font_);
  }
  UniqueFont(const UniqueFont&) = delete;
  UniqueFont& operator=(const UniqueFont&) = delete;
  HFONT get() const { return font_; }

 private:
  HFONT font_;
};

HFONT MakeLabelFont(int pixels, LONG weight, std::u16string_view face) {
  LOGFONTW font = {};
  font.lfHeight = -pixels;
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = PROOF_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH;
  const std::size_t length = face.size() < LF_FACESIZE - 1 ? face.size() : LF_FACESIZE - 1;
  for (std::size_t i = 0; i < length; ++i) font.lfFaceName[i] = face[i];
  return CreateFontIndirectW(&font);
}

// How a label draws its text; lives as long as the label.
struct LabelStyle {
  HFONT font;
  UINT format;
};

LRESULT CALLBACK LabelProc(HWND label, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(label, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the whole label
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(label, message, wparam, lparam);
      InvalidateRect(label, nullptr, FALSE);
      return result;
    }
    case WM_PAINT: {
      const auto* style =
          reinterpret_cast<const LabelStyle*>(GetWindowLongPtrW(label, GWLP_USERDATA));
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(label, &paint);
      RECT area;
      GetClientRect(label, &area);
      FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
      std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
      text.resize(static_cast<std::size_t>(
          GetWindowTextW(label, text.data(), static_cast<int>(text.size()))));
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkMode(dc, TRANSPARENT);
      HGDIOBJ old_font = style != nullptr ? SelectObject(dc, style->font) : nullptr;
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
                style != nullptr ? style->format : DT_LEFT | DT_NOPREFIX);
      if (old_font != nullptr) SelectObject(dc, old_font);
      EndPaint(label, &paint);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(label, message, wparam, lparam);
}

// Everything the main window's procedure needs; lives in wWinMain.
struct MainWindow {
  HWND window = nullptr;
  HWND button = nullptr;
  BaseFolderState base;
  PassController controller;
  WindowSide side;
};

void ShowBox(const std::u16string& text, const std::u16string& caption) {
  // No owner and task-modal: the main window takes no input while it shows.
  MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), MB_OK | MB_TASKMODAL);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* main = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (main == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == kButtonId && HIWORD(wparam) == BN_CLICKED) {
        HandleClick(main->controller, main->base, main->side);
        return 0;
      }
      break;
    case WM_CLOSE:
      // During a pass only note the wish: the pass stops after the folder in
      // progress and the window goes once the pass has returned.
      if (main->controller.RequestClose()) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      main->window = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW main_class = {};
  main_class.cbSize = sizeof(main_class);
  main_class.lpfnWndProc = MainProc;
  main_class.hInstance = instance;
  main_class.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  main_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  main_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  main_class.lpszClassName = kMainClass;
  if (RegisterClassExW(&main_class) == 0) return false;

  WNDCLASSEXW label_class = {};
  label_class.cbSize = sizeof(label_class);
  label_class.lpfnWndProc = LabelProc;
  label_class.hInstance = instance;
  label_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  label_class.lpszClassName = kLabelClass;
  return RegisterClassExW(&label_class) != 0;
}

HWND MakeChild(HWND parent, const wchar_t* window_class, std::u16string_view text, DWORD style,
               const ControlPlace& place, int id, void* data) {
  return CreateWindowExW(
      0, window_class, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, place.left, place.top,
      place.width, place.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), data);
}

// Takes the waiting messages during a pass. The quit message is not lost: it
// is kept and posted again when the pass is over.
void PumpWindowMessages(PassController& controller) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      controller.NoteQuit(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

int RunProgram(HINSTANCE instance, int show) {
  OleSession ole;  // first: the folder statistics use COM on this thread

  MainWindow main;
  main.base = EnterProgramFolder();

  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  if (!RegisterClasses(instance)) return 1;

  const UniqueFont title_font(MakeLabelFont(kTitleFontPixels, FW_BOLD, u""));
  const UniqueFont credit_font(MakeLabelFont(kCreditFontPixels, FW_NORMAL, kCreditFace));
  LabelStyle title_style = {title_font.get(), DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX};
  LabelStyle credit_style = {credit_font.get(), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX};

  const WindowOrigin origin =
      CentredOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  main.window =
      CreateWindowExW(0, kMainClass, L"", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, origin.left,
                      origin.top, kWindowWidth, kWindowHeight, nullptr, nullptr, instance, &main);
  if (main.window == nullptr) return 1;
  RECT outer;
  if (GetWindowRect(main.window, &outer) &&
      (outer.right - outer.left != kWindowWidth || outer.bottom - outer.top != kWindowHeight)) {
    SetWindowPos(main.window, nullptr, 0, 0, kWindowWidth, kWindowHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  MakeChild(main.window, kLabelClass, kTitleText, 0, kTitlePlace, 0, &title_style);     // 标签1
  MakeChild(main.window, kLabelClass, kCreditText, 0, kCreditPlace, 0, &credit_style);  // 标签2
  main.button = MakeChild(main.window, L"BUTTON", kButtonText,
                          WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE,
                          kButtonPlace, kButtonId, nullptr);  // 按钮1
  SendMessageW(main.button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               TRUE);

  main.side.set_button_caption = [&main](const std::u16string& caption) {
    SetWindowTextW(main.button, Wide(caption).c_str());
    UpdateWindow(main.window);
    UpdateWindow(main.button);
  };
  main.side.show_box = ShowBox;
  main.side.close_window = [&main] {
    if (main.window != nullptr) DestroyWindow(main.window);
  };
  main.side.post_quit = [](int code) { PostQuitMessage(code); };
  SetMessagePump([&main] { PumpWindowMessages(main.controller); });

  ShowWindow(main.window, show);
  UpdateWindow(main.window);

  MSG message;
  int exit_code = 0;
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      exit_code = static_cast<int>(message.wParam);
      break;
    }
    if (got == -1) {
      exit_code = 1;
      break;
    }
    if (!IsDialogMessageW(main.window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  SetMessagePump(nullptr);
  return exit_code;
}

}  // namespace
}  // namespace fenmarrow

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  try {
    return fenmarrow::RunProgram(instance, show);
  } catch (const std::exception&) {
    MessageBoxW(nullptr, L"程序遇到意外错误，已停止。", L"信息：",
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
    return 1;
  }
}
