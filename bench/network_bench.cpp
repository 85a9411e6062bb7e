// A framed connection whose application reads nothing: pieces of 60,000 bytes pile up in its ring
// until it holds 8, 16 or 32 MiB, then it is closed with all of it. They come through a memory
// socket, one piece a pump pass as from a peer, so only the library's own work is timed. The time
// per byte should not grow with the backlog.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "morrow/network/connection.h"
#include "morrow/network/network.h"
#include "platform/net.h"

namespace {

constexpr int kPieceBytes = 60000;

std::string PieceOf(int bytes) {
  std::string piece(4 + static_cast<size_t>(bytes), 'b');
  for (int i = 0; i < 4; ++i) piece[static_cast<size_t>(i)] = static_cast<char>(bytes >> (8 * i));
  return piece;
}

void BM_UnreadBacklog(benchmark::State& state) {
  const int64_t total = state.range(0) << 20;
  const std::string whole = PieceOf(kPieceBytes);
  const std::string last = PieceOf(static_cast<int>(total % kPieceBytes));
  morrow::InitNetWork();
  for (auto _ : state) {
    const platform::SocketId socket = platform::OpenMemorySocket();
    const int handle = morrow::AdoptNetWorkSocket(socket, 1, 0);
    for (int64_t fed = 0; fed < total; fed += kPieceBytes) {
      const std::string& piece = total - fed >= kPieceBytes ? whole : last;
      platform::FeedMemorySocket(socket, piece.data(), static_cast<int>(piece.size()));
      morrow::PumpNetWorkMessages(1);
    }
    if (morrow::GetNetWorkDataLength(handle) != total) {
      state.SkipWithError("the backlog was not all taken in");
      break;
    }
    morrow::CloseNetWorkHandle(handle);
  }
  morrow::EndNetWork();
  state.SetBytesProcessed(state.iterations() * total);
}
BENCHMARK(BM_UnreadBacklog)
    ->Arg(8)
    ->Arg(16)
    ->Arg(32)
    ->ArgName("MiB")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
