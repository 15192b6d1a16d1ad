// Replacing or creating a file so that nobody ever sees it half written. The content
// goes to a temporary file in the target's folder, named "." + the target's name +
// ".XXXXXX.part" (no "*.log" mask lists it), is flushed to the disk, and is renamed onto
// the target only when complete. Until Commit succeeds the target is untouched; an
// uncommitted temporary file is removed when the object goes away.
//
// A target that is a symbolic link is never written through nor replaced: Open refuses
// it before anything is written, and Commit looks again right before the rename, each
// with the reason kSymbolicLinkReason.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// The reason given for a target that is a symbolic link.
inline constexpr std::string_view kSymbolicLinkReason = "is a symbolic link; not written";

// Whether `entry` (a name within a folder, no "/") has the form of AtomicFile's
// temporary files: "." + a name of at least one character + "." + six ASCII letters or
// digits + ".part".
bool IsAtomicTemporaryName(std::string_view entry);

// Whether `path` itself (not what it may point to) is a symbolic link.
bool IsSymbolicLink(const std::string& path);

// The error text for `file` failing for `reason`: "<file> is a symbolic link; not
// written" for a link, "<file>: <reason>" for any other reason.
std::string FileErrorText(const std::string& file, std::string_view reason);

class AtomicFile {
 public:
  // What Commit does when the target already exists.
  enum class Existing { Replace, Keep };

  explicit AtomicFile(std::string target);
  ~AtomicFile();  // Discard() unless committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file with `mode` (less the umask). False with `error` set
  // (the system's reason) when the folder does not exist or cannot be written, and with
  // kSymbolicLinkReason when the target is a symbolic link.
  bool Open(std::string& error, unsigned mode = 0666);
  // Appends `data`; false with `error` set on a short write (a full disk, a quota).
  bool Write(std::string_view data, std::string& error);
  // Flushes and closes the temporary file and renames it onto the target. With
  // Existing::Keep an existing target is never replaced: the commit fails with EEXIST's
  // text instead; a target that has become a symbolic link fails with
  // kSymbolicLinkReason. On failure the temporary file is removed and the target
  // untouched.
  bool Commit(std::string& error, Existing existing = Existing::Replace);
  // Removes the temporary file (if any); the target is untouched.
  void Discard();

  const std::string& Target() const { return target_; }
  // The temporary file's path, for writers that open it by name themselves (after
  // Open; such a writer must have closed it before Commit).
  const std::string& TempPath() const { return temp_; }
  // The open descriptor of the temporary file, or -1.
  int Descriptor() const { return fd_; }

 private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  bool committed_ = false;
};

// Writes `content` to `path` through an AtomicFile; false with `error` set.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error);

}  // namespace kestrune
