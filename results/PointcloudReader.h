// Reads the point cloud files the renderer writes as results ("floatArrayPoint" points whose last
// attribute "values" holds the per-point values).
#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <vector>

namespace trv {

class PointcloudReader {
public:
    // A header this reader does not accept; carries no text of its own.
    class InvalidHeaderException : public std::exception {
    public:
        const char* what() const noexcept override { return "Invalid point cloud header"; }
    };

    struct Contents {
        uint32_t valuesPerPoint = 0;
        uint32_t pointCount = 0;
        std::vector<float> values;  // pointCount * valuesPerPoint, in file order
    };

    // Throws InvalidHeaderException for an unacceptable header and std::ios_base::failure for
    // a short or unreadable file.
    static Contents read(const std::filesystem::path& path);
};

}  // namespace trv
