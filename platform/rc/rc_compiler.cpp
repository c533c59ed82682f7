#include "rc_compiler.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "platform/base/message_box.h"
#include "platform/base/strings.h"
#include "platform/window/menu.h"
#include "platform/base/templates.h"
#include "platform/window/window_styles.h"
#include "platform/window/wm_messages.h"
#include "rc_lexer.h"

namespace rc {
namespace {

constexpr unsigned short kCursor = 12, kBitmap = 2, kIcon = 14, kMenu = 4, kDialog = 5, kString = 6, kRcData = 10;

// The names a script may use without including a header, with their Win32 values.
const std::map<std::string, long long>& BuiltIns() {
#define V(n) \
  { #n, static_cast < long long>(n) }
  static const std::map<std::string, long long> names = {V(WS_OVERLAPPED),
                                                         V(WS_POPUP),
                                                         V(WS_CHILD),
                                                         V(WS_MINIMIZE),
                                                         V(WS_VISIBLE),
                                                         V(WS_DISABLED),
                                                         V(WS_CLIPSIBLINGS),
                                                         V(WS_CLIPCHILDREN),
                                                         V(WS_MAXIMIZE),
                                                         V(WS_CAPTION),
                                                         V(WS_BORDER),
                                                         V(WS_DLGFRAME),
                                                         V(WS_VSCROLL),
                                                         V(WS_HSCROLL),
                                                         V(WS_SYSMENU),
                                                         V(WS_THICKFRAME),
                                                         V(WS_GROUP),
                                                         V(WS_TABSTOP),
                                                         V(WS_MINIMIZEBOX),
                                                         V(WS_MAXIMIZEBOX),
                                                         V(WS_OVERLAPPEDWINDOW),
                                                         V(WS_POPUPWINDOW),
                                                         V(WS_EX_DLGMODALFRAME),
                                                         V(WS_EX_NOPARENTNOTIFY),
                                                         V(WS_EX_TOPMOST),
                                                         V(WS_EX_ACCEPTFILES),
                                                         V(WS_EX_TRANSPARENT),
                                                         V(WS_EX_TOOLWINDOW),
                                                         V(WS_EX_WINDOWEDGE),
                                                         V(WS_EX_CLIENTEDGE),
                                                         V(WS_EX_CONTEXTHELP),
                                                         V(WS_EX_RIGHT),
                                                         V(WS_EX_LEFTSCROLLBAR),
                                                         V(WS_EX_CONTROLPARENT),
                                                         V(WS_EX_STATICEDGE),
                                                         V(WS_EX_APPWINDOW),
                                                         V(WS_EX_LAYERED),
                                                         V(DS_SETFONT),
                                                         V(DS_MODALFRAME),
                                                         V(DS_CENTER),
                                                         V(DS_CONTROL),
                                                         V(DS_3DLOOK),
                                                         V(DS_FIXEDSYS),
                                                         V(DS_SHELLFONT),
                                                         V(BS_PUSHBUTTON),
                                                         V(BS_DEFPUSHBUTTON),
                                                         V(BS_CHECKBOX),
                                                         V(BS_AUTOCHECKBOX),
                                                         V(BS_RADIOBUTTON),
                                                         V(BS_3STATE),
                                                         V(BS_AUTO3STATE),
                                                         V(BS_GROUPBOX),
                                                         V(BS_AUTORADIOBUTTON),
                                                         V(BS_OWNERDRAW),
                                                         V(BS_LEFTTEXT),
                                                         V(BS_BITMAP),
                                                         V(BS_NOTIFY),
                                                         V(BS_FLAT),
                                                         V(SS_LEFT),
                                                         V(SS_CENTER),
                                                         V(SS_RIGHT),
                                                         V(SS_ICON),
                                                         V(SS_BITMAP),
                                                         V(SS_NOTIFY),
                                                         V(ES_LEFT),
                                                         V(ES_MULTILINE),
                                                         V(ES_PASSWORD),
                                                         V(ES_AUTOHSCROLL),
                                                         V(ES_READONLY),
                                                         V(ES_NUMBER),
                                                         V(CBS_DROPDOWN),
                                                         V(CBS_DROPDOWNLIST),
                                                         V(CBS_OWNERDRAWFIXED),
                                                         V(CBS_HASSTRINGS),
                                                         V(LBS_NOTIFY),
                                                         V(IDOK),
                                                         V(IDCANCEL),
                                                         V(IDABORT),
                                                         V(IDRETRY),
                                                         V(IDIGNORE),
                                                         V(IDYES),
                                                         V(IDNO),
                                                         V(IDCLOSE),
                                                         V(IDHELP),
                                                         V(IDC_STATIC),
                                                         V(MF_GRAYED),
                                                         V(MF_DISABLED),
                                                         V(MF_CHECKED),
                                                         V(MF_MENUBARBREAK),
                                                         V(MF_MENUBREAK),
                                                         V(MF_DEFAULT),
                                                         {"GRAYED", MF_GRAYED},
                                                         {"INACTIVE", MF_DISABLED},
                                                         {"CHECKED", MF_CHECKED},
                                                         {"MENUBARBREAK", MF_MENUBARBREAK},
                                                         {"MENUBREAK", MF_MENUBREAK},
                                                         {"SS_SUNKEN", 0x1000},
                                                         {"SS_CENTERIMAGE", 0x0200},
                                                         {"SS_OWNERDRAW", 0x000D},
                                                         {"ES_CENTER", 0x0001},
                                                         {"ES_RIGHT", 0x0002},
                                                         {"ES_WANTRETURN", 0x1000},
                                                         {"LBS_SORT", 0x0002},
                                                         {"LBS_NOINTEGRALHEIGHT", 0x0100},
                                                         {"LBS_HASSTRINGS", 0x0040},
                                                         {"CBS_SORT", 0x0100},
                                                         {"CBS_AUTOHSCROLL", 0x0040},
                                                         {"SBS_HORZ", 0},
                                                         {"SBS_VERT", 1},
                                                         {"BS_CENTER", 0x0300},
                                                         {"BS_MULTILINE", 0x2000},
                                                         {"BS_ICON", 0x0040},
                                                         {"DS_SYSMODAL", 0x0002},
                                                         {"DS_NOFAILCREATE", 0x0010},
                                                         {"DS_ABSALIGN", 0x0001}};
#undef V
  return names;
}

using platform::ToUpperAscii;

class Parser {
 public:
  Parser(std::vector<Token> tokens, const Preprocessor& pre) : tokens_(std::move(tokens)), pre_(pre) {}

  std::vector<Resource> Run() {
    while (!AtEnd()) Statement();
    return std::move(out_);
  }

 private:
  const Token& Peek(size_t ahead = 0) const {
    static const Token end;
    return pos_ + ahead < tokens_.size() ? tokens_[pos_ + ahead] : end;
  }
  bool AtEnd() const { return pos_ >= tokens_.size(); }
  const Token& Next() {
    if (AtEnd()) Fail(Last(), "unexpected end of script");
    return tokens_[pos_++];
  }
  const Token& Last() const {
    static const Token none;
    return tokens_.empty() ? none : tokens_[std::min(pos_, tokens_.size()) - (pos_ ? 1 : 0)];
  }
  [[noreturn]] void Fail(const Token& at, const std::string& message) const {
    throw ScriptError(at.file, at.line, message);
  }
  bool IsWord(const Token& t, const char* w) const { return t.kind == Token::Name && ToUpperAscii(t.text) == w; }
  bool IsPunct(const Token& t, char c) const { return t.kind == Token::Punct && t.text[0] == c; }
  void Comma() {
    if (IsPunct(Peek(), ',')) ++pos_;
  }
  bool Begin() {
    if (IsWord(Peek(), "BEGIN") || IsPunct(Peek(), '{')) return ++pos_, true;
    return false;
  }
  void ExpectBegin() {
    if (!Begin()) Fail(Peek().kind == Token::End ? Last() : Peek(), "expected BEGIN");
  }
  bool EndBlock() {
    if (IsWord(Peek(), "END") || IsPunct(Peek(), '}')) return ++pos_, true;
    return false;
  }

  long long Symbol(const Token& t) const {
    if (auto it = pre_.Symbols().find(t.text); it != pre_.Symbols().end()) return it->second;
    if (auto it = BuiltIns().find(t.text); it != BuiltIns().end()) return it->second;
    Fail(t, "unknown symbol '" + t.text + "'");
  }

  long long Primary() {
    struct Depth {
      int& d;
      explicit Depth(int& depth) : d(++depth) {}
      ~Depth() { --d; }
    } depth(depth_);
    if (depth_ > 64) Fail(Peek(), "expression nested too deeply");
    const Token& t = Next();
    if (t.kind == Token::Number) return t.value;
    if (t.kind == Token::Name && ToUpperAscii(t.text) == "NOT") return ~Primary();
    if (t.kind == Token::Name) return Symbol(t);
    if (IsPunct(t, '(')) {
      long long v = Expression();
      if (!IsPunct(Next(), ')')) Fail(Last(), "expected ')'");
      return v;
    }
    if (IsPunct(t, '-')) return -Primary();
    if (IsPunct(t, '~')) return ~Primary();
    Fail(t, "expected a number");
  }

  // Style expressions: a | b | NOT c (NOT clears bits, defaults included), + and -.
  long long Expression(long long defaults = 0, bool merge = false) {
    long long v;
    if (merge && IsWord(Peek(), "NOT")) {
      ++pos_;
      v = defaults & ~Primary();
    } else {
      v = merge ? (defaults | Primary()) : Primary();
    }
    for (;;) {
      if (IsPunct(Peek(), '|')) {
        ++pos_;
        if (IsWord(Peek(), "NOT")) {
          ++pos_;
          v &= ~Primary();
        } else {
          v |= Primary();
        }
      } else if (IsPunct(Peek(), '+')) {
        ++pos_;
        v += Primary();
      } else if (IsPunct(Peek(), '-')) {
        ++pos_;
        v -= Primary();
      } else {
        return v;
      }
    }
  }

  int Int() { return static_cast<int>(Expression()); }

  std::string String() {
    const Token& t = Next();
    if (t.kind != Token::String) Fail(t, "expected a string");
    return t.text;
  }

  // Resource name: a number, a defined symbol or a plain name.
  void Name(const Token& t, Resource& r) {
    if (t.kind == Token::Number) {
      r.id = static_cast<unsigned short>(t.value);
    } else if (t.kind == Token::Name && pre_.Symbols().count(t.text)) {
      r.id = static_cast<unsigned short>(pre_.Symbols().at(t.text));
    } else if (t.kind == Token::Name || t.kind == Token::String) {
      r.name = ToUpperAscii(t.text);
    } else {
      Fail(t, "expected a resource name");
    }
    if (r.id == 0 && r.name.empty()) Fail(t, "resource id 0");
  }

  std::string ReadFileOf(const Token& at, const std::string& file) {
    std::string path = file;
    if (path.empty() || path[0] != '/') {
      const auto slash = at.file.find_last_of('/');
      path = (slash == std::string::npos ? std::string() : at.file.substr(0, slash + 1)) + file;
    }
    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary);
    if (!in.is_open()) Fail(at, "cannot open '" + file + "'");
    inputs_.push_back(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  void SkipOptions() {
    // LANGUAGE, CHARACTERISTICS, VERSION and memory flags before BEGIN mean nothing here.
    while (!AtEnd() && !IsWord(Peek(), "BEGIN") && !IsPunct(Peek(), '{')) {
      if (IsWord(Peek(), "LANGUAGE") || IsWord(Peek(), "CHARACTERISTICS") || IsWord(Peek(), "VERSION")) {
        ++pos_;
        Int();
        if (IsPunct(Peek(), ',')) ++pos_, Int();
      } else if (IsWord(Peek(), "DISCARDABLE") || IsWord(Peek(), "MOVEABLE") || IsWord(Peek(), "PURE") ||
                 IsWord(Peek(), "PRELOAD") || IsWord(Peek(), "LOADONCALL") || IsWord(Peek(), "FIXED") ||
                 IsWord(Peek(), "IMPURE")) {
        ++pos_;
      } else {
        Fail(Peek(), "unexpected '" + Peek().text + "'");
      }
    }
  }

  void Statement() {
    const Token& first = Next();
    if (IsWord(first, "LANGUAGE")) {
      Int();
      Comma();
      Int();
      return;
    }
    if (IsWord(first, "STRINGTABLE")) return StringTable();
    const Token& kind = Next();
    if (kind.kind != Token::Name) Fail(kind, "expected a resource type after '" + first.text + "'");
    Resource r;
    Name(first, r);
    const std::string type = ToUpperAscii(kind.text);
    if (type == "DIALOGEX" || type == "DIALOG") return Dialog(r, type == "DIALOGEX");
    if (type == "MENU" || type == "MENUEX") return Menu(r);
    while (IsWord(Peek(), "DISCARDABLE") || IsWord(Peek(), "MOVEABLE") || IsWord(Peek(), "PURE") ||
           IsWord(Peek(), "PRELOAD") || IsWord(Peek(), "LOADONCALL"))
      ++pos_;
    const Token& fileToken = Next();
    if (fileToken.kind != Token::String) Fail(fileToken, "expected a file name");
    std::string data = ReadFileOf(fileToken, fileToken.text);
    if (type == "BITMAP") {
      constexpr size_t kFileHeader = 14;
      if (data.size() <= kFileHeader + 40 || data[0] != 'B' || data[1] != 'M')
        Fail(fileToken, "'" + fileToken.text + "' is not a BMP file");
      r.typeId = kBitmap;
      r.data = data.substr(kFileHeader);
    } else if (type == "ICON") {
      r.typeId = kIcon;
      r.data = data;
    } else if (type == "CURSOR") {
      r.typeId = kCursor;
      r.data = data;
    } else if (type == "RCDATA") {
      r.typeId = kRcData;
      r.data = data;
    } else {
      r.typeName = type;
      r.data = data;
    }
    out_.push_back(std::move(r));
  }

  void StringTable() {
    SkipOptions();
    ExpectBegin();
    while (!EndBlock()) {
      if (AtEnd()) Fail(Last(), "STRINGTABLE without END");
      const Token& at = Peek();
      const int id = Int();
      Comma();
      std::string text = String();
      while (Peek().kind == Token::String) text += Next().text;  // adjacent strings join
      if (id <= 0 || id > 0xFFFF) Fail(at, "string id out of range");
      for (auto& existing : out_)
        if (existing.typeId == kString && existing.id == id)
          Fail(at, "string " + std::to_string(id) + " defined twice");
      Resource r;
      r.typeId = kString;
      r.id = static_cast<unsigned short>(id);
      r.data = text;
      out_.push_back(std::move(r));
    }
  }

  void MenuItems(std::vector<platform::MenuItemTemplate>& items, int depth) {
    if (depth > 8) Fail(Peek(), "menus nested too deeply");
    ExpectBegin();
    while (!EndBlock()) {
      if (AtEnd()) Fail(Last(), "MENU without END");
      const Token& word = Next();
      platform::MenuItemTemplate item;
      if (IsWord(word, "POPUP")) {
        item.text = String();
        item.flags = MF_POPUP;
        while (IsPunct(Peek(), ',')) ++pos_, item.flags |= static_cast<UINT>(Int());
        MenuItems(item.children, depth + 1);
      } else if (IsWord(word, "MENUITEM")) {
        if (IsWord(Peek(), "SEPARATOR")) {
          ++pos_;
          item.flags = MF_SEPARATOR;
        } else {
          item.text = String();
          Comma();
          item.id = static_cast<UINT>(Int());
          while (IsPunct(Peek(), ',') || (Peek().kind == Token::Name && BuiltIns().count(ToUpperAscii(Peek().text)))) {
            if (IsPunct(Peek(), ',')) ++pos_;
            item.flags |= static_cast<UINT>(Int());
          }
        }
      } else {
        Fail(word, "expected POPUP or MENUITEM");
      }
      items.push_back(std::move(item));
    }
  }

  void Menu(Resource& r) {
    SkipOptions();
    platform::MenuTemplate t;
    MenuItems(t.items, 0);
    r.typeId = kMenu;
    r.data = platform::SerializeMenu(t);
    out_.push_back(std::move(r));
  }

  // "x, y, cx, cy" in dialog units.
  void Rect(int& x, int& y, int& cx, int& cy) {
    x = Int();
    Comma();
    y = Int();
    Comma();
    cx = Int();
    Comma();
    cy = Int();
  }

  // One control line: CONTROL or one of the shorthand statements.
  platform::DialogItemTemplate Control(const Token& word) {
    platform::DialogItemTemplate c;
    const std::string w = ToUpperAscii(word.text);
    auto textIdRect = [&](bool hasText) {
      if (hasText) {
        c.text = String();
        Comma();
      }
      c.id = Int();
      Comma();
      Rect(c.x, c.y, c.cx, c.cy);
      if (IsPunct(Peek(), ',')) {
        ++pos_;
        c.style = static_cast<DWORD>(Expression(c.style, true));
        if (IsPunct(Peek(), ',')) ++pos_, c.exStyle = static_cast<DWORD>(Expression());
      }
    };
    struct Shorthand {
      const char* cls;
      DWORD style;
      bool text;
    };
    static const std::map<std::string, Shorthand> shorthands = {
        {"LTEXT", {"Static", SS_LEFT | WS_GROUP, true}},
        {"RTEXT", {"Static", SS_RIGHT | WS_GROUP, true}},
        {"CTEXT", {"Static", SS_CENTER | WS_GROUP, true}},
        {"PUSHBUTTON", {"Button", BS_PUSHBUTTON | WS_TABSTOP, true}},
        {"DEFPUSHBUTTON", {"Button", BS_DEFPUSHBUTTON | WS_TABSTOP, true}},
        {"GROUPBOX", {"Button", BS_GROUPBOX, true}},
        {"CHECKBOX", {"Button", BS_CHECKBOX | WS_TABSTOP, true}},
        {"AUTOCHECKBOX", {"Button", BS_AUTOCHECKBOX | WS_TABSTOP, true}},
        {"RADIOBUTTON", {"Button", BS_RADIOBUTTON, true}},
        {"AUTORADIOBUTTON", {"Button", BS_AUTORADIOBUTTON, true}},
        {"EDITTEXT", {"Edit", ES_LEFT | WS_BORDER | WS_TABSTOP, false}},
        {"COMBOBOX", {"ComboBox", 0, false}},
        {"LISTBOX", {"ListBox", LBS_NOTIFY | WS_BORDER, false}},
        {"SCROLLBAR", {"ScrollBar", 0, false}},
    };
    if (w == "CONTROL") {
      c.text = Peek().kind == Token::String ? String() : std::to_string(Int());
      Comma();
      c.id = Int();
      Comma();
      c.className = String();
      Comma();
      c.style = static_cast<DWORD>(Expression(WS_CHILD | WS_VISIBLE, true));
      Comma();
      Rect(c.x, c.y, c.cx, c.cy);
      if (IsPunct(Peek(), ',')) ++pos_, c.exStyle = static_cast<DWORD>(Expression());
      return c;
    }
    if (w == "ICON") {
      const Token& name = Next();
      c.text = name.kind == Token::String ? name.text
                                          : (name.kind == Token::Number ? "#" + name.text : ToUpperAscii(name.text));
      Comma();
      c.style = SS_ICON | WS_CHILD | WS_VISIBLE;
      textIdRect(false);
      c.className = "Static";
      return c;
    }
    auto it = shorthands.find(w);
    if (it == shorthands.end()) Fail(word, "unknown control statement '" + word.text + "'");
    c.style = it->second.style | WS_CHILD | WS_VISIBLE;
    textIdRect(it->second.text);
    c.className = it->second.cls;
    return c;
  }

  void Dialog(Resource& r, bool extended) {
    platform::DialogTemplate t;
    Rect(t.x, t.y, t.cx, t.cy);
    if (extended && IsPunct(Peek(), ',')) ++pos_, Int();  // help id
    t.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    bool styled = false;
    for (;;) {
      const Token& option = Peek();
      const std::string o = ToUpperAscii(option.text);
      if (option.kind != Token::Name) break;
      if (o == "STYLE") {
        ++pos_;
        t.style = static_cast<DWORD>(Expression());
        styled = true;
      } else if (o == "EXSTYLE") {
        ++pos_;
        t.exStyle = static_cast<DWORD>(Expression());
      } else if (o == "CAPTION") {
        ++pos_;
        t.caption = String();
        if (!styled) t.style |= WS_CAPTION;
      } else if (o == "FONT") {
        ++pos_;
        t.pointSize = Int();
        Comma();
        t.fontName = String();
        while (IsPunct(Peek(), ',')) ++pos_, Int();  // weight, italic, charset
      } else if (o == "CLASS") {
        ++pos_;
        t.className = String();
      } else if (o == "MENU") {
        ++pos_;
        Next();
      } else if (o == "LANGUAGE" || o == "CHARACTERISTICS" || o == "VERSION") {
        ++pos_;
        Int();
        if (IsPunct(Peek(), ',')) ++pos_, Int();
      } else if (o == "DISCARDABLE" || o == "MOVEABLE" || o == "PURE" || o == "PRELOAD" || o == "LOADONCALL") {
        ++pos_;
      } else {
        break;
      }
    }
    ExpectBegin();
    while (!EndBlock()) {
      if (AtEnd()) Fail(Last(), "dialog without END");
      const Token& word = Next();
      if (word.kind != Token::Name) Fail(word, "expected a control statement");
      t.items.push_back(Control(word));
    }
    r.typeId = kDialog;
    r.data = platform::SerializeDialog(t);
    for (auto& existing : out_)
      if (existing.typeId == kDialog && existing.id == r.id && existing.name == r.name)
        Fail(Last(), "dialog defined twice");
    out_.push_back(std::move(r));
  }

  std::vector<Token> tokens_;
  const Preprocessor& pre_;
  size_t pos_ = 0;
  int depth_ = 0;
  std::vector<Resource> out_;

 public:
  std::vector<std::string> inputs_;
};

std::string CString(const std::string& s) {
  std::ostringstream out;
  out << '"';
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') out << '\\' << c;
    else if (c >= 0x20 && c < 0x7F) out << c;
    else
      out << '\\' << std::oct << static_cast<int>(c) / 64 << static_cast<int>(c) / 8 % 8 << static_cast<int>(c) % 8
          << std::dec;
  }
  out << '"';
  return out.str();
}

}  // namespace

Compiled CompileScript(const std::string& path, const std::vector<std::string>& includeDirs) {
  Preprocessor pre(includeDirs);
  std::vector<Token> tokens = pre.Run(path);
  Parser parser(std::move(tokens), pre);
  Compiled compiled;
  compiled.resources = parser.Run();
  compiled.inputs = pre.Files();
  compiled.inputs.insert(compiled.inputs.end(), parser.inputs_.begin(), parser.inputs_.end());
  return compiled;
}

std::string GenerateSource(const Compiled& compiled) {
  std::ostringstream out;
  out << "// Generated by the resource compiler; do not edit.\n#include "
         "\"platform/base/resource_table.h\"\n\nnamespace {\n";
  for (size_t i = 0; i < compiled.resources.size(); ++i) {
    const std::string& d = compiled.resources[i].data;
    out << "const unsigned char r" << i << "[] = {";
    for (size_t b = 0; b < d.size(); ++b) {
      if (b % 24 == 0) out << "\n  ";
      out << static_cast<int>(static_cast<unsigned char>(d[b])) << ',';
    }
    out << "0};\n";
  }
  out << "const VidarroResourceEntry entries[] = {\n";
  for (size_t i = 0; i < compiled.resources.size(); ++i) {
    const Resource& r = compiled.resources[i];
    out << "  {" << r.typeId << ", " << (r.typeName.empty() ? "nullptr" : CString(r.typeName)) << ", " << r.id << ", "
        << (r.name.empty() ? "nullptr" : CString(r.name)) << ", r" << i << ", " << r.data.size() << "u},\n";
  }
  if (compiled.resources.empty()) out << "  {0, nullptr, 0, nullptr, nullptr, 0u},\n";
  out << "};\nconst VidarroResourceTable table{1u, entries, " << compiled.resources.size() << "u};\n}  // namespace\n\n"
      << "extern \"C\" __attribute__((visibility(\"default\"))) const VidarroResourceTable* VidarroResources() { "
         "return &table; }\n";
  return out.str();
}

}  // namespace rc
