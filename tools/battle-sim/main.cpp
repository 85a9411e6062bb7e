// battle-sim: runs battles headless and deterministically, for traces, invariant checks and soaks.
//
//   battle-sim --seed N [--date YYYY-MM-DDThh:mm:ss] --players N --chars A,B,..|random
//              [--teams T,..] [--handicap H,..] [--cpu all|F,..] [--difficulty D] [--jobs N]
//              --arena A [--win-count K] [--time-limit T]
//              [--effect-level L] [--obstacle S] [--maps DIR] [--input FILE | --input-seed N]
//              --frames N [--trace FILE] [--check-invariants] [--corrupt NAME=VALUE@FRAME]...
//              [--force-cards] [--half-rate] [--final-hash] [--frame-digest]
//   battle-sim --seeds A-B ...   the same run for every seed of the range, each in a process of
//                                its own, with random input from its seed unless --input or
//                                --input-seed gives it, --jobs N of them at a time; one line
//                                per clean seed in seed order, "seed S chars a,b,c,d frames F
//                                winner W hash H", then "soak: N runs, F failures, D distinct"
//                                (D: the different final states of the clean runs)
//   battle-sim --seed N --story main|extra --scripts DIR [--date ...] [--difficulty D]
//              [--win-count K] [--time-limit T] [--effect-level L] [--obstacle S] [--maps DIR]
//              [--input FILE | --input-seed N] --frames N [--trace FILE] [--check-invariants]
//              [--corrupt NAME=VALUE@FRAME]... [--force-cards] [--half-rate]
//              [--final-hash] [--frame-digest]
//                                a story run, started from the story menu as a player starts it;
//                                its stages choose the players, characters and arenas, the
//                                scenario scripts come from DIR (*.srd), and player 0 is the one
//                                person (random input drives only player 0; a script may hold
//                                any player's input)
//
// The battle runs as the game runs it in scene 4, through the frame loop's battle step, in a fresh
// temporary folder that holds only Resource/Mpd (the maps of --maps; a map file larger than
// 1310704 bytes, more than the game reads of one, is bad input). The library's graphics,
// sound and input are never started. The run stops after --frames frames, or earlier once the
// battle leaves scene 4. A story run goes through the frame loop's whole body instead, with the
// stage results between its battles and the closing script after its last stage (scenes 4, 10
// and 21), and stops once it leaves them (the game over or the ending); --final-hash then prints
// first "story stages A,B,.. prompts P": each stage as it began and the continue prompts shown.
//
// Frames in the output are counted by how many have run: the trace writes one line after every
// 60th frame, --check-invariants checks after every frame and prints the first failure as
// "frame F: invariant NAME: detail", --final-hash prints "frames F winner W" (W the match
// winner 0-3 or "none") and "final HASH" (the state's hash, as in the trace) after a clean run,
// and with --frame-digest "digest HASH" (a cheaper hash of the players, the counters and the
// random generator's next number, taken after every frame and folded in frame order),
// --corrupt writes the field (a name of the field table, as p1.life or shot3.stun) after frame F.
// Input script lines are FROM-TO PLAYER INPUT..., with frames counted from 0 (frame f is the (f +
// 1)th to run), players 0-3 and the inputs down, up, left, right and b1-b5; '#' starts a comment.
// --cpu gives the players the computer plays (all, or a 0/1 flag per player), --difficulty the
// option they play at, and --chars random draws each seed's characters from the seed with the
// runner's own generator. --force-cards sets every spell gauge to 200 after each frame, so that
// players declare spell cards often. --half-rate turns on the display setting of half-rate
// presentation, as the game reads it from its display settings file: the battle is then drawn
// only on every second frame (and on frames that ask for a capture), and the frame selections
// that the drawing makes turn and fall in double steps. Without it the battle is drawn every frame.
//
//   battle-sim --round-robin [--chars A,B,..] [--seeds A-B] [--arenas A,..|A-B] [--difficulty D]
//              [--cap N] [--jobs N] [--maps DIR]
//                                every ordered pair of characters plays computer against computer
//                                on every seed and arena (round_robin.h); prints the shares of
//                                points, the draws, the worst pairing and the balance verdict
//   battle-sim --check-move-data the characters' move blocks against their design rules
//                                (move_rules.h): one line per offending row and exit 1, or
//                                "move data: 14 characters, N rows, all within the rules"
//
// Exit: 0 clean, 1 an invariant broke (or the battle ended on its first frame; in a soak, any
// run failed; in a round robin, any match failed; a move row broke a rule; the trace or standard
// output could not be written whole; SIGINT, SIGTERM or SIGHUP ended the run, its temporary
// folders, child runs and unfinished trace taken away), 2 bad input (options, script, files).
#include <cstdio>
#include <string>
#include <vector>

#include "game/flow/move_table.h"
#include "tools/battle-sim/move_rules.h"
#include "tools/battle-sim/round_robin.h"
#include "tools/battle-sim/sim_options.h"
#include "tools/battle-sim/sim_run.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

int CheckMoveData() {
  const std::vector<std::string> problems =
      battlesim::FindMoveDataProblems(veyrdale::CharacterMoveBlocks);
  for (const std::string& line : problems) std::printf("%s\n", line.c_str());
  if (!problems.empty()) return battlesim::kRunFailed;
  std::printf("move data: 14 characters, %d rows, all within the rules\n",
              battlesim::CheckedMoveRows());
  return battlesim::kRunClean;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() == 1 && args[0] == "--check-move-data") return CheckMoveData();
  if (battlesim::WantsRoundRobin(args)) {
    battlesim::RoundRobinOptions options;
    std::string error;
    if (!battlesim::ParseRoundRobinOptions(args, &options, &error)) {
      std::fprintf(stderr, "battle-sim: %s\n%s", error.c_str(), battlesim::RoundRobinUsage());
      return battlesim::kRunBadInput;
    }
    return battlesim::RunRoundRobin(options);
  }
  battlesim::SimOptions options;
  std::string error;
  if (!battlesim::ParseSimOptions(args, &options, &error)) {
    std::fprintf(stderr, "battle-sim: %s\n%s", error.c_str(), battlesim::SimUsage());
    return battlesim::kRunBadInput;
  }
  if (options.seedsGiven) return battlesim::RunSoak(options, args);
  return battlesim::RunBattle(options);
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("battle-sim");
  toolrun::CatchStopSignals();
  return toolrun::End(Run(std::vector<std::string>(argv + 1, argv + argc)));
}
