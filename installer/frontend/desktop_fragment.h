// What a package may add to the launchers of its program: a Desktop Entry fragment installed
// beside the program under the program's name (game -> game.desktop) files the launchers in
// the menu, describes them and names the window class they group with. The installer alone
// decides what a launcher starts and shows (Exec, Path, Icon, Name), so only these keys are
// taken: Categories, StartupWMClass, and Comment, GenericName and Keywords with their
// translations.
#pragma once

#include <string>

// The accepted "Key=Value" lines of the fragment's [Desktop Entry] group, each ending in '\n',
// in the fragment's order; of a key given twice the first counts. A line whose value is not
// UTF-8, holds a control character or runs over 1024 bytes is dropped. Empty when nothing is
// accepted.
std::string desktop_fragment_keys(const std::string& text);

// The fragment that belongs to `program` (a path): the same path with ".desktop" in place of
// its extension.
std::string desktop_fragment_path(const std::string& program);
