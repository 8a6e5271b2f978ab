#include "geometry/StagedFile.h"

#include <atomic>
#include <cstdio>
#include <random>
#include <system_error>

namespace trv {

namespace {
std::string randomPart()
{
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937_64 engine{std::random_device{}()};
    const unsigned long long value = engine() ^ counter.fetch_add(1);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", value);
    return text;
}
}  // namespace

StagedFile::StagedFile(std::filesystem::path finalPath) : finalPath_(std::move(finalPath))
{
    temporaryPath_ = finalPath_;
    temporaryPath_ += "." + randomPart() + ".tmp";
}

StagedFile::~StagedFile()
{
    discard();
}

bool StagedFile::commit(std::string& error)
{
    if (done_) {
        error = "already finished";
        return false;
    }
    std::error_code code;
    std::filesystem::rename(temporaryPath_, finalPath_, code);
    if (code) {
        error = code.message();
        discard();
        return false;
    }
    done_ = true;
    return true;
}

void StagedFile::discard()
{
    if (done_)
        return;
    done_ = true;
    std::error_code ignored;
    std::filesystem::remove(temporaryPath_, ignored);
}

}  // namespace trv
