#pragma once
// Every console text of the program, in UTF-8. The console converts the
// Japanese ones to Shift_JIS where the console expects it.

#include <array>
#include <string_view>

namespace quillmer::texts {

inline constexpr std::string_view title = "\nQuillmer version 0.2";
inline constexpr std::string_view credit = " - memory channel writer for ID-91 / ID-92\n\n";

inline constexpr std::string_view no_argument = "メモリファイルを指定してください\n";
inline constexpr std::string_view memory_file_not_opened = "メモリファイルがオープンできません\n";

inline constexpr std::string_view com_prefix = "Com:";  // then the number or path, "\n"
inline constexpr std::string_view settings_help_1 =
    "プログラムと同じディレクトリにCOM番号のみ入れた\n";
inline constexpr std::string_view settings_help_2 = "というファイルを作ると、\n";  // after the path
inline constexpr std::string_view settings_help_3 = "毎回COM番号を入れなくてすみます\n\n";
inline constexpr std::string_view port_prompt = "ＣＯＭ番号を入力してください :";
inline constexpr std::string_view open_error = "オープン・エラー\n";
inline constexpr std::string_view dcb_error = "ＤＣＢのエラー\n";
inline constexpr std::string_view input_ended = "\nStandard input has ended: no port to try.\n";

inline constexpr std::string_view detect_id91 = "detect ID-91\n";
inline constexpr std::string_view detect_id92 = "detect ID-92\n";
inline constexpr std::string_view no_response = "No responce from ID-91/92\n\n";

/// The handshake's turning glyph, shown with a carriage return after it.
inline constexpr std::array<std::string_view, 8> spinner{"│", "／", "─", "＼",
                                                         "│", "／", "─", "＼"};

inline constexpr std::string_view activate = "Activate ID-91/92 communication\n\n";
inline constexpr std::string_view write_start = "Memory write start.\n\n";
inline constexpr std::string_view write_end = "\n\nMemory write end.\n";
inline constexpr std::string_view too_many_rows = "メモリデータ＞３９９\n";
inline constexpr std::string_view write_error = "メモリ書き込みでエラー\n";
inline constexpr std::string_view device_gone =
    "\nThe serial device is gone (cable pulled or device removed).\n";

/// Every text that holds Japanese characters, for the check of its Shift_JIS
/// bytes.
inline constexpr std::array<std::string_view, 14> japanese{no_argument,     memory_file_not_opened,
                                                           settings_help_1, settings_help_2,
                                                           settings_help_3, port_prompt,
                                                           open_error,      dcb_error,
                                                           too_many_rows,   write_error,
                                                           spinner[0],      spinner[1],
                                                           spinner[2],      spinner[3]};

}  // namespace quillmer::texts
