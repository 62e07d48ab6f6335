// The installer's texts, as the user sees them. "&" marks a mnemonic.
#pragma once

// The string table.
inline constexpr char16_t STRING_OVERWRITE_QUESTION[] = u"を上書きしますか？";  // 1
inline constexpr char16_t STRING_CABINET_LOCATION[] = u"の場所(&D)";            // 2
inline constexpr char16_t STRING_CABINET_CAPTION[] = u"CABファイルの解凍";      // 3

// Install dialog.
inline constexpr char TEXT_DESTINATION_LABEL[] = "解凍先フォルダ(&F):";
inline constexpr char TEXT_BROWSE_DESTINATION_TITLE[] = "解凍先フォルダの指定";
inline constexpr char TEXT_START_MENU_BOX[] = "スタートメニューに登録する(&M)";
inline constexpr char TEXT_DESKTOP_BOX[] = "デスクトップにショートカットを作成する(&D)";
inline constexpr char TEXT_SEND_TO_BOX[] = "「送る」に登録する(&T)";

// Overwrite dialog.
inline constexpr char TEXT_OVERWRITE_CAPTION[] = "ファイルの上書きの確認";

// Message boxes.
inline constexpr char TEXT_DAMAGED_PACKAGE[] = "自己解凍書庫が破損しています。";
inline constexpr char TEXT_CANNOT_CREATE_FOLDER[] = "フォルダを作成できません";
