// The toolkit finds the MIME data its image loaders need, and its icon themes, in the folders of
// XDG_DATA_DIRS. A session that sets that list without the system's folders (a sandbox, a
// script, a test keeping launchers apart) leaves it unable to read even its built-in icons, and
// it aborts at the first message box. Call before the toolkit starts, while the process has one
// thread: the list gains the system folders at its end. Its first entry, where shared launchers
// go, stays first; the programs we start inherit the longer list (they need it as much).
// The toolkit's parts read the list in two ways (GLib's cached copy, the MIME reader straight
// from the environment), so the environment itself is what is changed.
#pragma once

#include <string>

namespace kv::toolkit {

// The list the toolkit should see: `current` unchanged when it is unset or empty (the toolkit's
// defaults then apply) or already holds /usr/share; else `current` with
// ":/usr/local/share:/usr/share" appended.
std::string data_dirs_for_toolkit(const char* current);

// Sets XDG_DATA_DIRS as data_dirs_for_toolkit says.
void give_toolkit_system_data_dirs();

}  // namespace kv::toolkit
