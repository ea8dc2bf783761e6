// Framed blocks per second between two channels of the library on loopback.
//
// What bounds it: every send pauses twice for 1 ms (after the datagram and
// once more before it returns), so one channel sends at most about 500
// blocks per second whatever the block size; the rest of a round (building
// the block, the receiver's poll, copying) is small beside that. Where the
// system's sleeps overshoot 1 ms, the pauses cost more: TwoPauses shows what
// the two cost on this machine. The plain
// figure below (a send, a wait and a receive on plain sockets, no pauses) shows
// what loopback itself would carry.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "benchroot.h"
#include "core/lifecycle.h"
#include "dorlix.h"
#include "netsock.h"
#include "platform/platform.h"

namespace {

// A private, empty station for the attach.
void Attach() {
    static const bool attached = [] {
        vz5bench::PrivateRoot("vz5-netbench");
        return dorlix::Attach();
    }();
    if (!attached) std::abort();
}

void FramedBlocks(benchmark::State& state) {
    Attach();
    const int size = static_cast<int>(state.range(0));
    const int portA = nettest::FreePort(), portB = nettest::FreePort();
    if (OpenNet(60, "127.0.0.1", portA, 0) != 1 || OpenNet(61, "127.0.0.1", portB, 0) != 1) {
        state.SkipWithError("cannot open the channels");
        return;
    }
    const std::string payload(static_cast<size_t>(size), 'p');
    std::string buf(static_cast<size_t>(size) + 64, '\0');
    for (auto _ : state) {
        if (SendNetData(60, "127.0.0.1", portB, payload.data(), size) != size + 32) {
            state.SkipWithError("send failed");
            break;
        }
        int n;
        while ((n = ReadNetData(61, buf.data(), static_cast<int>(buf.size()))) == 0) {
        }
        if (n != size) {
            state.SkipWithError("block lost or changed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * size);
    CloseNet(60);
    CloseNet(61);
}
BENCHMARK(FramedBlocks)->Arg(64)->Arg(1400)->Unit(benchmark::kMillisecond)->UseRealTime();

// The two pauses of a send alone.
void TwoPauses(benchmark::State& state) {
    for (auto _ : state) {
        plat::Sleep(1);
        plat::Sleep(1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(TwoPauses)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same round with plain system sockets: loopback without the pauses.
void PlainSocketRound(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    nettest::Udp a, b;
    const std::string payload(static_cast<size_t>(size) + 32, 'p');
    for (auto _ : state) {
        a.SendTo(b.Port(), payload);
        if (b.Receive().size() != payload.size()) {
            state.SkipWithError("datagram lost");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(PlainSocketRound)->Arg(64)->Arg(1400)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
