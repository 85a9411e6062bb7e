// Files written whole or not at all. The bytes go to a temporary file beside the target, which is
// renamed over the target only once every byte is written and the file closed without error, so a
// full disk, a killed process or a failed write never leaves a cut file under the target's name,
// and a target that was there before keeps its old bytes on a failure. Only a regular file (or
// nothing) is ever replaced: a folder, a device, a pipe or a symbolic link at the target is refused
// before anything is written, since renaming over it would destroy what the name stood for.
// The writer takes only what a plain write could: a file already at the target that the process
// may not open for writing (another user's private file, a read-only one) is refused with the
// reason that open gives ("Permission denied") and left untouched; the target is looked at again
// just before the rename, since its mode or the file itself may have changed during the write.
// The temporary file is made with a random name that nobody can have prepared (created
// exclusively, never through a link, private while the bytes are written), and a file that is
// replaced keeps its mode and, where the process may set them, its owner and group, as a plain
// write into it would have; its set-id bits too, but, as on a plain write, only where the process
// may keep them (the system clears them for any process but the superuser's). They are taken
// from the target as it is at the commit, so that a mode or owner set during the write holds.
// Every byte goes through the descriptor and stream the writer made (Write, Stream or
// HandOverStream): nobody, neither the caller nor a library it hands the job to, opens the
// temporary name again, since what stands at a name can change while a descriptor cannot.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

// How far a commit goes before it reports success.
enum class Durability {
  kPlain,   // renamed into place; the system writes it out in its own time
  kSynced,  // the bytes on the disk before the rename, and the rename on the disk after it
};

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // An output neither committed nor abandoned is abandoned: its temporary file goes.
  ~OutputFile();

  // Checks the target and makes the temporary file beside it. False, with a reason that names the
  // target, when the target is not a regular file, is a file the process may not write, or the
  // temporary file cannot be made (a missing or read-only folder among the causes); nothing is
  // left behind then.
  bool Open(const std::string& path, std::string* error,
            Durability durability = Durability::kPlain);
  // The temporary file's stream, for the writer; null unless open and still this output's.
  std::FILE* Stream() const { return handedOver_ ? nullptr : stream_; }
  // Writes bytes to the stream; false once any write has failed (the failure is kept for Commit).
  bool Write(const void* data, size_t size);
  // Gives the stream to a writer that closes it itself (the library's HTTP transfer closes its
  // body file when it ends); Stream() is null from then on. The temporary file stays: Commit, once
  // the new owner has closed the stream without error, only renames it over the target, and
  // Abandon removes it.
  std::FILE* HandOverStream();
  // Flushes and closes the temporary file, then renames it over the target. False, with a reason
  // that names the target, when any write, the close or the rename failed, or the target is no
  // longer a regular file the process may write: the temporary file is removed and the target is
  // as it was.
  bool Commit(std::string* error);
  // Closes and removes the temporary file; the target is untouched.
  void Abandon();

  const std::string& Target() const { return target_; }
  const std::string& TemporaryPath() const { return temporary_; }

 private:
  std::string target_;
  std::string temporary_;
  std::FILE* stream_ = nullptr;
  int fd_ = -1;              // the temporary file's own descriptor, for its attributes
  int writeError_ = 0;       // errno of the first failed write
  bool handedOver_ = false;  // stream_ belongs to the writer it was handed to
  Durability durability_ = Durability::kPlain;
};

// What stands at a path in place of a regular file, by its mode: "is a folder, not a file", "is a
// named pipe, not a file", "is a device, not a file", else "is not a regular file".
std::string NotAFileReason(mode_t mode);

// Why `path` may not be replaced by a new file: empty when it does not exist or is a regular
// file the process may open for writing, else a reason naming it ("PATH: is a folder", "...: is a
// symbolic link", "...: Permission denied", ...).
std::string ReplaceRefusal(const std::string& path);

// The whole of `size` bytes as `path`, through an OutputFile. False with its reason.
bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* error,
                    Durability durability = Durability::kPlain);

// The letters mkstemp and mkdtemp put in place of a name template's XXXXXX.
inline constexpr size_t kRandomLetters = 6;
// Whether `name` is `stem` followed by kRandomLetters letters or digits, as such a call makes it:
// a name of that making, which a clean-up may take for its own.
bool IsRandomNameOf(const std::string& name, const std::string& stem);

// Whether `name`, an entry of the folder `target` is in, is one of the temporary files an output
// to `target` makes (the target's name, ".tmp-" and six letters or digits). Only such an entry
// can be what a killed writer left.
bool IsTemporaryNameOf(const std::string& name, const std::string& target);

}  // namespace platform
