// A cache file written under a temporary name in its own directory and moved to its final name only
// when it is complete, so that no reader (and no later manager's cache scan) ever sees half a file,
// and a failed write leaves whatever was there before untouched.
#pragma once

#include <filesystem>
#include <string>

namespace trv {

class StagedFile {
public:
    // The temporary name is finalPath's file name followed by a random part and ".tmp".
    explicit StagedFile(std::filesystem::path finalPath);
    // Removes the temporary file unless it was committed.
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    const std::filesystem::path& finalPath() const { return finalPath_; }
    const std::filesystem::path& temporaryPath() const { return temporaryPath_; }

    // Moves the written temporary file to the final name (replacing a file there). On failure the
    // temporary file is removed and error holds the reason.
    bool commit(std::string& error);
    // Removes the temporary file now.
    void discard();

private:
    std::filesystem::path finalPath_;
    std::filesystem::path temporaryPath_;
    bool done_ = false;
};

}  // namespace trv
