// Identifiers of the menu commands and of the dialogs' controls. The numbers
// are the program's long-standing ones; besides naming the controls they key
// the colour pickers' remembered places (command * 10000 + colour).
#pragma once

// File menu.
constexpr int kCommandNew = 1000;
constexpr int kCommandOpen = 1001;
constexpr int kCommandSave = 1002;
constexpr int kCommandSaveAs = 1003;
constexpr int kCommandSaveAsDefault = 1004;
constexpr int kCommandPrint = 1005;
constexpr int kCommandPrintSpecifications = 1006;
constexpr int kCommandExport = 1007;
constexpr int kCommandPreferences = 1008;
constexpr int kCommandExit = 1009;
// Edit menu.
constexpr int kCommandUndo = 1050;
constexpr int kCommandRedo = 1051;
// Settings menu, whose commands also name the property dialogs.
constexpr int kCommandImage = 1100;
constexpr int kCommandOuterMat = 1101;
constexpr int kCommandMiddleMat = 1102;
constexpr int kCommandInnerMat = 1103;
constexpr int kCommandFrame = 1104;
constexpr int kCommandBackground = 1105;
// View menu: the rulers, then the mats in mat order (outer, middle, inner).
constexpr int kCommandRulers = 1200;
constexpr int kCommandShowOuterMat = 1201;
constexpr int kCommandShowMiddleMat = 1202;
constexpr int kCommandShowInnerMat = 1203;
// Help menu.
constexpr int kCommandContents = 1300;
constexpr int kCommandAbout = 1301;

// Every dialog's OK and Cancel buttons.
constexpr int kControlOk = 1;
constexpr int kControlCancel = 2;

namespace preferences_ids {
constexpr int kUnits = 1001;
constexpr int kUpdateDelay = 1002;
}  // namespace preferences_ids

// A colour button and the colour it edits have separate identifiers: the
// colour's identifier names its picker.
namespace background_ids {
constexpr int kSubduedRadio = 601;
constexpr int kModerateRadio = 602;
constexpr int kBrightRadio = 603;
constexpr int kColor = 604;
constexpr int kColorPicker = 605;
constexpr int kTypeFirst = 606;  // plus the lighting type, 0..7
constexpr int kRatio = 614;
constexpr int kApply = 615;
}  // namespace background_ids

namespace frame_ids {
constexpr int kStyle = 701;
constexpr int kColor = 702;
constexpr int kWidth = 703;
constexpr int kHeight = 704;
constexpr int kOuterDepth = 705;
constexpr int kInnerDepth = 706;
constexpr int kLeft = 707;
constexpr int kTop = 708;
constexpr int kRight = 709;
constexpr int kBottom = 710;
constexpr int kColorPicker = 711;
constexpr int kApply = 712;
constexpr int kFinish = 714;
constexpr int kEqual = 715;
}  // namespace frame_ids

// The same identifiers serve all three mat dialogs.
namespace mat_ids {
constexpr int kColor = 801;
constexpr int kLeft = 802;
constexpr int kTop = 803;
constexpr int kRight = 804;
constexpr int kBottom = 805;
constexpr int kBevelFirst = 806;  // plus the bevel angle, 0..2
constexpr int kBevelColor = 809;
constexpr int kTexture = 810;
constexpr int kColorPicker = 811;
constexpr int kBevelColorPicker = 812;
constexpr int kThickness = 813;
constexpr int kApply = 814;
constexpr int kOpening = 815;
constexpr int kEqual = 817;
}  // namespace mat_ids

namespace image_ids {
constexpr int kPathname = 901;
constexpr int kSelect = 902;
constexpr int kLeft = 903;
constexpr int kTop = 904;
constexpr int kRight = 905;
constexpr int kBottom = 906;
constexpr int kBorderColor = 907;
constexpr int kBorderColorPicker = 908;
constexpr int kSizeFromFileRadio = 909;
constexpr int kCustomSizeRadio = 910;
constexpr int kWidth = 911;
constexpr int kHeight = 912;
constexpr int kApply = 913;
constexpr int kEqual = 915;
}  // namespace image_ids
