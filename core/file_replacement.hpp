#pragma once

#include <string>

namespace kelvrin::core {

// The finished drawing reaches the output path in one rename, so the file
// that was there (which may be the input drawing itself) stays whole until
// the new one is complete. Functions return 0 or an errno value.

// The file that a replacement of `output` must rename over: `output`, or
// what it links to when it is a symbolic link.
std::string replacement_target(const std::string& output);

// Creates an empty, uniquely named file beside `target` (same folder, so a
// rename onto `target` stays on one file system) and stores its path.
int create_staging_file(const std::string& target, std::string& staging_path);

// Renames the finished `staged` file over `target`, giving it the mode of the
// file it replaces.
int commit_replacement(const std::string& staged, const std::string& target);

// Moves the finished `from` to `target`: a rename when both are on one file
// system, otherwise a copy beside `target` committed by rename. `from` is
// gone afterwards only on success.
int move_into_place(const std::string& from, const std::string& target);

// Removes a file of ours if it is there; errors are of no consequence.
void remove_if_present(const std::string& path);

// Whether two paths name the same file, spelt alike or not.
bool same_file_path(const std::string& a, const std::string& b);

}  // namespace kelvrin::core
