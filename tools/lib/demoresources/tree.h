// Writes the whole demo resource tree.
#pragma once

#include <functional>
#include <string>

namespace demo {

// The file written last into a finished tree, "complete\n": a Resource/ that holds it is a whole
// demo tree (scripts/play.sh looks for it).
inline constexpr char kTreeMark[] = "Resource/.make-demo-resources";
inline constexpr char kTreeMarkText[] = "complete\n";
// The folder a tree is built in, beside Resource/, with six random characters after it. The run
// that builds it holds a lock on it (flock); one nobody holds was left by a run that was killed.
inline constexpr char kStagingPrefix[] = ".make-demo-resources-";

// Whether `name` is one a staging folder gets: kStagingPrefix and exactly six letters or digits,
// as mkdtemp makes them. Nothing else is ever taken for what a killed run left, whatever its name
// begins with.
bool IsStagingName(const std::string& name);

enum class TreeWrite {
  kDone,    // DIR/Resource/ is a complete new tree
  kFailed,  // a write failed or `stop` said so: DIR/Resource/ is as it was
  kKept,    // DIR/Resource/ holds something this tool did not write: left as it is
};

// The moments at the end of a run, in their order, for tests to act at. Only kBuilt comes when
// no tree was there to replace.
enum class TreeMoment {
  kBuilt,      // the new tree is whole in its staging folder; the old one is looked at next
  kNamesSeen,  // the old tree's names passed their last look; each file's look comes next
  kLooked,     // every look passed; the exchange comes next
  kExchanged,  // the trees were exchanged; the old one, at the staging name, is looked at again
};

// Writes every file of the inventory into ROOT/Resource/, then the mark, asking `stop` between
// files; false with the reason, naming the file under ROOT, when one cannot be written.
using TreeBuilder = std::function<bool(const std::string& root, const std::function<bool()>& stop,
                                       std::string* error)>;

// Writes DIR/Resource/ with every file of the inventory, then the mark. Runs in one DIR take
// turns: each holds DIR locked (flock) from its start to its end, and one that finds it held
// waits, asking `stop` as it does, then goes on over whatever tree the other left. A run whose
// standard input is DIR itself takes its turn through that descriptor, so a caller that holds DIR
// locked there hands its turn on. The tree is built in a staging folder in DIR and takes the name
// Resource only once whole, so a failed or stopped run leaves no tree (nor its staging folder). A
// Resource/ already there is replaced only when everything in it is this tool's and the process's
// to replace: the tree's folders and regular files, each file holding the new bytes or the first
// part of them (the tree of an earlier run, finished or cut short), DIR one the process may write
// and enter, each file one it may write and each folder one it may remove entries from (written
// and entered; in a sticky folder, entries of its own or the folder its own). That is settled
// before anything is written: the names and permissions first, then each file there against its new
// bytes, made in memory one file a thread at a time; nothing in the tree is opened that could block
// (a pipe, a device) nor followed through a link. Anything else (real resources, a file put into a
// demo tree, another user's tree) keeps it as it is, with no staging folder made, whatever room the
// disk has. Just before the exchange the old tree is looked at again, its names and permissions
// first and then each file compared, which must still be the very file it was (device, inode, size,
// times of change), each one missing still missing; and once more just after it, at the staging
// name, where a change found exchanges the trees back. So a file put in, written, replaced or
// removed while the new tree was built keeps the old tree as it is. Staging folders that killed
// runs left are removed first. The same bytes on every run. `stop` is asked between files; error
// gets the reason for kFailed and kKept; a write that fails names the staging folder and the file
// in it, never a file of DIR/Resource/. `at`, when given, is called at each TreeMoment (tests
// change the old tree there); `build`, when given, writes the new tree in the staging folder
// instead of the drawing and encoding of every file (tests of the run's end copy a tree made once).
TreeWrite WriteDemoTree(const std::string& dir, std::string* error,
                        const std::function<bool()>& stop = {},
                        const std::function<void(TreeMoment)>& at = {},
                        const TreeBuilder& build = {});

}  // namespace demo
