#pragma once
// The program's fixed console texts, in UTF-8: the Japanese ones, which the
// console converts to Shift_JIS where the console expects it, and the English
// lines beside them. A message built from parts (a port's name and why it did
// not open, a line of the memory file and what is wrong with it, where a
// transfer stopped) is built where its parts are known.

#include <array>
#include <string_view>

namespace quillmer::texts {

/// The title names the project's version as major.minor.
inline constexpr std::string_view kTitle = "\nQuillmer version " QUILLMER_TITLE_VERSION;
static_assert(std::string_view(QUILLMER_TITLE_VERSION) != "0.2" ||
                  kTitle == "\nQuillmer version 0.2",
              "while the version is 0.2.x the title reads as it always has");
inline constexpr std::string_view kCredit = " - memory channel writer for ID-91 / ID-92\n\n";

inline constexpr std::string_view kNoArgument = "メモリファイルを指定してください\n";
/// Before kNoArgument.
inline constexpr std::string_view kNoArgumentHelp =
    "Name the memory file to write, as in: quillmer memory.csv\n";
inline constexpr std::string_view kMemoryFileNotOpened = "メモリファイルがオープンできません\n";

inline constexpr std::string_view kComPrefix = "Com:";  // then the number or path, "\n"
inline constexpr std::string_view kSettingsHelp1 =
    "プログラムと同じディレクトリにCOM番号のみ入れた\n";
inline constexpr std::string_view kSettingsHelp2 = "というファイルを作ると、\n";  // after the path
inline constexpr std::string_view kSettingsHelp3 = "毎回COM番号を入れなくてすみます\n\n";
/// Before each kPortPrompt.
inline constexpr std::string_view kPortPromptHelp =
    "Type the serial port, a number (3 for COM3) or a device path, then Enter:\n";
inline constexpr std::string_view kPortPrompt = "ＣＯＭ番号を入力してください :";
inline constexpr std::string_view kOpenError = "オープン・エラー\n";
inline constexpr std::string_view kDcbError = "ＤＣＢのエラー\n";
inline constexpr std::string_view kInputEnded = "\nStandard input has ended: no port to try.\n";
/// After a port that did not open; a sentence without a line break.
inline constexpr std::string_view kPortListHint =
    "quillmer --ports lists the serial ports this machine has.";
/// After the list of --ports.
inline constexpr std::string_view kPortsHint =
    "Give the first word of a line to --port, in the settings file or at the port prompt.\n";

inline constexpr std::string_view kDetectId91 = "detect ID-91\n";
inline constexpr std::string_view kDetectId92 = "detect ID-92\n";
inline constexpr std::string_view kNoResponse = "No responce from ID-91/92\n\n";
/// After a handshake whose answer named neither model.
inline constexpr std::string_view kUnknownModel =
    "The radio's answer named no model this program knows, so the ID-92's ready check is "
    "skipped: should the write go wrong, run again with --trace FILE and attach FILE to a "
    "report.\n";

/// The handshake's turning glyph, shown with a carriage return after it.
inline constexpr std::array<std::string_view, 8> kSpinner{"│", "／", "─", "＼",
                                                          "│", "／", "─", "＼"};

inline constexpr std::string_view kActivate = "Activate ID-91/92 communication\n\n";
inline constexpr std::string_view kWriteStart = "Memory write start.\n\n";
inline constexpr std::string_view kWriteEnd = "\n\nMemory write end.\n";
inline constexpr std::string_view kTooManyRows = "メモリデータ＞３９９\n";
inline constexpr std::string_view kWriteError = "メモリ書き込みでエラー\n";
/// Before the last key wait, where a key can be pressed.
inline constexpr std::string_view kPressKey = "Press a key to close.\n";

/// Every text that holds Japanese characters, for the check of its Shift_JIS
/// bytes.
inline constexpr std::array<std::string_view, 14> kJapanese{
    kNoArgument, kMemoryFileNotOpened, kSettingsHelp1, kSettingsHelp2, kSettingsHelp3,
    kPortPrompt, kOpenError,           kDcbError,      kTooManyRows,   kWriteError,
    kSpinner[0], kSpinner[1],          kSpinner[2],    kSpinner[3]};

}  // namespace quillmer::texts
