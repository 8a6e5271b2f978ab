// Progress messages through a job: how many a host handles per second when it calls
// TRVWaitJobDone in a loop, against a bare receive loop on the same kind of channel fed by the
// same child; and the latency from the child's write to the return of the wait.
// Needs the test build's fake renderer (build the torvo_tests target first).
#include <filesystem>
#include <string>

namespace {
std::string benchBinaryDir()
{
    // <build>/bench/torvo_bench
    return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().string();
}
}  // namespace
#define TORVO_BINARY_DIR benchBinaryDir()
#include "tests/fakes/JobTestDoubles.h"

#include "core/Handles.h"
#include "core/TorvoString.h"
#include "manager/FSTorvoManager.h"
#include "platform/Process.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int messageCount = 100000;

struct BenchJob {
    fs::path dir = trvtest::scratchDirectory("bench");
    trv::FSTorvoManager manager;
    std::shared_ptr<trvtest::FakePass> pass = std::make_shared<trvtest::FakePass>("pass0");
    std::shared_ptr<trvtest::FakeTarget> target = std::make_shared<trvtest::FakeTarget>("target0", false);
    std::shared_ptr<trvtest::TestJob> job;

    explicit BenchJob(const std::string& script)
    {
        manager.initialize(dir / "cache", 0);
        manager.setTorvoPath(trvtest::fakeInstallation(dir, false).string());
        std::ofstream(dir / "config.xml") << "<KXConfig/>";
        job = std::make_shared<trvtest::TestJob>(&manager, "bench", dir / "config.xml", dir / "s.xml",
                                                 dir / "f.xml");
        target->passes = {pass.get()};
        job->passesAndTargets().addPass("p", [&](auto& out) { out = pass; return 0; });
        job->passesAndTargets().addTarget("t", [&](auto& out) { out = target; return 0; });
        manager.jobTable()["bench"] = job;
        std::ofstream(job->jobDirectory() / "target0_pass0.xml.fake") << script;
    }
    TorvoJob handle() const { return trv::handleOf<TorvoJob>(job.get()); }
};

// Messages per second of a bare receive loop on a channel whose child writes `count` messages.
double bareRate(const fs::path& dir)
{
    std::ofstream(dir / "burst.script") << "burst " << messageCount << " [PROGRESS] Progress\n";
    trv::platform::MessageChannel channel;
    trv::platform::createMessageChannel(channel);
    trv::platform::ChildProcess child;
    const auto start = Clock::now();
    trv::platform::startChild(trvtest::fakeRenderer.string(), {"--script", (dir / "burst.script").string()}, dir,
                              channel.client, child);
    trv::platform::closeDescriptor(channel.client);
    char buffer[256];
    int received = 0;
    for (;;) {
        int error = 0;
        trv::platform::WaitEvent event = trv::platform::waitForMessageOrEnd(channel.server, child, -1);
        if (event != trv::platform::WaitEvent::Message)
            break;
        if (trv::platform::receiveMessage(channel.server, buffer, sizeof buffer, error) <= 0)
            break;
        ++received;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    trv::platform::reapChild(child, true);
    trv::platform::closeDescriptor(channel.server);
    return received / seconds;
}

void BM_ProgressMessages(benchmark::State& state)
{
    if (!fs::exists(trvtest::fakeRenderer)) {
        state.SkipWithError("fake renderer missing: build torvo_tests first");
        return;
    }
    for (auto _ : state) {
        const double bare = bareRate(trvtest::scratchDirectory("bare"));

        BenchJob throughput("burst " + std::to_string(messageCount) + " [PROGRESS] Progress\n");
        const auto start = Clock::now();
        TRVStartJob(throughput.handle(), 2, 0);
        TRVBool running = 1;
        while (running) {
            TRVWaitJobDone(throughput.handle(), -1);
            TRVIsJobRunning(throughput.handle(), &running);
        }
        const double jobRate = messageCount / std::chrono::duration<double>(Clock::now() - start).count();

        BenchJob latency("stamps 2000 200\n");
        std::vector<double> micros;
        TRVStartJob(latency.handle(), 2, 0);
        running = 1;
        while (running) {
            TRVWaitJobDone(latency.handle(), -1);
            const auto now = Clock::now().time_since_epoch();
            TRVBool activity = 0, fresh = 0;
            TRVJobHasNewProgress(latency.handle(), &activity, &fresh);
            if (activity) {
                TorvoString title = nullptr;
                int32_t progress = 0;
                TRVGetJobProgress(latency.handle(), &title, &progress);
                auto* text = static_cast<trv::FSTorvoString*>(trv::objectOf(title));
                const long long written = std::stoll(static_cast<const char*>(text->data()));
                TRVReleaseString(title);
                micros.push_back(
                    (std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() - written) / 1000.0);
            }
            TRVIsJobRunning(latency.handle(), &running);
        }
        std::sort(micros.begin(), micros.end());
        state.counters["bare_msgs_per_s"] = bare;
        state.counters["job_msgs_per_s"] = jobRate;
        state.counters["ratio_job_to_bare"] = jobRate / bare;
        state.counters["median_latency_us"] = micros.empty() ? -1 : micros[micros.size() / 2];
    }
}
BENCHMARK(BM_ProgressMessages)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
