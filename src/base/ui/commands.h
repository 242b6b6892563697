#pragma once

#include <array>

namespace tintara::cmd {

// Command identifiers. Each one also numbers its prompt in the string table ("status text\ntool
// tip"), so the status bar and the tool tips of a command come from one place.
inline constexpr int kOpen = 57601;
inline constexpr int kClose = 57602;
inline constexpr int kSave = 57603;
inline constexpr int kSaveAs = 57604;
inline constexpr int kRecentFile1 = 57616;  // the recent files take four numbers from here
inline constexpr int kRecentFileCount = 4;
inline constexpr int kBatch = 33001;
inline constexpr int kPreferences = 33003;
inline constexpr int kExit = 57665;

inline constexpr int kMarkK7 = 33022;
inline constexpr int kMarkK3 = 33023;
inline constexpr int kUnmark = 33041;
inline constexpr int kTurnSelection = 33009;
inline constexpr int kUsePreviousOutline = 33043;  // the last complete outline, on an image of its size
inline constexpr int kCreateProfile = 33004;
inline constexpr int kQualityReport = 33044;  // the last profile's quality, in the report beside the image
inline constexpr int kConvert = 33006;
inline constexpr int kUndoConversion = 33000;
inline constexpr int kUndoEmbedding = 33019;
inline constexpr int kUndo = 32796;  // Ctrl+Z: whichever undo applies
inline constexpr int kRotateCw = 33007;
inline constexpr int kRotateCcw = 33008;

inline constexpr int kProfileAdd = 33016;
inline constexpr int kProfileSaveAs = 33018;
inline constexpr int kProfileRemove = 33017;

inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewProfileBar = 33020;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kRealSize = 33011;
inline constexpr int kFitOnScreen = 33012;
inline constexpr int kEnterZoom = 33015;
inline constexpr int kZoomIn = 33013;
inline constexpr int kZoomOut = 33014;

inline constexpr int kToolMove = 33026;
inline constexpr int kToolMark = 33042;
inline constexpr int kToolZoomIn = 33024;
inline constexpr int kToolZoomOut = 33025;

inline constexpr int kCascade = 57650;
inline constexpr int kTile = 57651;
inline constexpr int kArrangeIcons = 57649;
inline constexpr int kNextPane = 57680;  // keys only: the next and the previous document window
inline constexpr int kPreviousPane = 57681;

inline constexpr int kHelpTopics = 57667;
inline constexpr int kLumenoOnline = 33002;
inline constexpr int kAbout = 57664;

// One command as the menus, the toolbar and the keyboard know it. `menuText` is the entry as the
// menu shows it: the mnemonic marked with "&", and after a "\t" the key the menu names (which is not
// always the key bound: Unmark names ESC, which the view handles itself, and binds Ctrl+D). `keys`
// are the bound keys in Qt's portable key text, the first one the main key; `icon` names the
// picture (":/icons/<icon>.svg") of a command the toolbar shows.
struct CommandEntry {
  int id;
  const char* menuText;  // nullptr: a toolbar-only command
  std::array<const char*, 3> keys;
  const char* icon = nullptr;
};

inline constexpr CommandEntry kCommandTable[] = {
    {kOpen, "&Open...\tCtrl+O", {"Ctrl+O"}, "open"},
    {kClose, "&Close\tCtrl+W", {"Ctrl+W"}},
    {kSave, "&Save\tCtrl+S", {"Ctrl+S"}, "save"},
    {kSaveAs, "Save &As...\tShift+Ctrl+S", {"Ctrl+Shift+S"}},
    {kBatch, "&Batch...\tCtrl+B", {"Ctrl+B"}},
    {kPreferences, "&Preferences...", {}},
    {kExit, "E&xit\tCtrl+Q", {"Ctrl+Q"}},
    {kMarkK7, "Lumeno &K7", {}},
    {kMarkK3, "Lumeno &K3", {}},
    {kUnmark, "&Unmark\tESC", {"Ctrl+D"}},
    {kTurnSelection, "&180\xC2\xB0 Selection\tF", {"F"}, "turn_selection"},
    {kUsePreviousOutline, "Use &Previous Outline\tCtrl+Shift+M", {"Ctrl+Shift+M"}},
    {kCreateProfile, "&Create Profile\tCtrl+Enter", {"Ctrl+Return", "Ctrl+Enter"}, "create_profile"},
    {kQualityReport, "&Quality Report", {}},
    {kConvert, "C&onvert Image\tCtrl+I", {"Ctrl+I"}, "convert"},
    // The undo entry names Ctrl+Z, which is bound to kUndo: the document decides which undo it is.
    {kUndoConversion, "&Undo (Conversion)\tCtrl+Z", {}, "undo"},
    {kUndoEmbedding, "&Undo (Embedding)\tCtrl+Z", {}},
    {kUndo, nullptr, {"Ctrl+Z"}},
    {kRotateCw, "Rotate &90\xC2\xB0 CW\tCtrl+Right", {"Ctrl+Right"}},
    {kRotateCcw, "Rotate 9&0\xC2\xB0 CCW\tCtrl+Left", {"Ctrl+Left"}},
    {kProfileAdd, "&Add...", {}},
    {kProfileSaveAs, "&Save As...", {}},
    {kProfileRemove, "&Remove", {}},
    {kViewToolbar, "&Toolbar", {}},
    {kViewProfileBar, "&Profile Bar", {}},
    {kViewStatusBar, "&Status Bar", {}},
    {kRealSize, "&Real Size\tCtrl+Alt+0", {"Ctrl+Alt+0", "Ctrl+Alt+Num+0"}},
    {kFitOnScreen, "&Fit on Screen\tCtrl+0", {"Ctrl+0", "Ctrl+Num+0"}},
    {kEnterZoom, "&Enter Zoom\tCtrl+E", {"Ctrl+E"}},
    {kZoomIn, "Zoom &In\tCtrl++", {"Ctrl++", "Ctrl+=", "Ctrl+Num++"}},
    {kZoomOut, "Zoom &Out\tCtrl+-", {"Ctrl+-", "Ctrl+Num+-"}},
    {kToolMove, nullptr, {"V"}, "move"},
    {kToolMark, nullptr, {"M"}, "mark"},
    {kToolZoomIn, nullptr, {"Z"}, "zoom_in"},
    {kToolZoomOut, nullptr, {"X"}, "zoom_out"},
    {kCascade, "&Cascade", {}},
    {kTile, "&Tile", {}},
    {kArrangeIcons, "&Arrange Icons", {}},
    {kNextPane, nullptr, {"F6"}},
    {kPreviousPane, nullptr, {"Shift+F6"}},
    {kHelpTopics, "&Help Topics\tF1", {"F1"}},
    {kLumenoOnline, "&Lumeno Online...", {}},
    {kAbout, "&About Tintara...", {}},
};

// The table entry of a command, or nullptr.
constexpr const CommandEntry* FindCommand(int id) {
  for (const CommandEntry& entry : kCommandTable) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

}  // namespace tintara::cmd
