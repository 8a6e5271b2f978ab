#include "geometry/ExrWriter.h"

#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "geometry/StagedFile.h"
#include "geometry/WCharOStream.h"

#include <Iex.h>
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfThreading.h>
#include <ImfTileDescription.h>
#include <ImfTiledOutputFile.h>

#include <exception>
#include <memory>
#include <string>

namespace trv {

namespace {
constexpr int TileSize = 32;
const char* const ChannelNames[4][4] = {{"Y"}, {nullptr}, {"R", "G", "B"}, {"R", "G", "B", "A"}};
}  // namespace

TRVStatus writeExrImage(const std::filesystem::path& path, const float* pixels, int32_t width, int32_t height,
                        int32_t components)
{
    const std::string name = toBytes(path);
    infoStream() << "Starting to write EXR: " << name << std::endl;
    try {
        if (components != 1 && components != 3 && components != 4)
            throw Iex::ArgExc("Unsupported number of components: " + std::to_string(components));
        if (width <= 0 || height <= 0)
            throw Iex::ArgExc("Invalid image size");

        Imf::Header header(width, height);  // data and display window (0,0)-(w-1,h-1), aspect 1, screen (0,0) 1
        header.lineOrder() = Imf::INCREASING_Y;
        header.compression() = Imf::ZIP_COMPRESSION;
        header.setTileDescription(Imf::TileDescription(TileSize, TileSize, Imf::ONE_LEVEL, Imf::ROUND_DOWN));

        // The last given row is the top row of the file: start there and step back one row per line.
        const std::size_t pixelStride = sizeof(float) * static_cast<std::size_t>(components);
        const std::size_t rowStride = pixelStride * static_cast<std::size_t>(width);
        const char* lastRow =
            reinterpret_cast<const char*>(pixels) + rowStride * static_cast<std::size_t>(height - 1);
        Imf::FrameBuffer frameBuffer;
        for (int32_t c = 0; c < components; ++c) {
            const char* channel = ChannelNames[components - 1][c];
            header.channels().insert(channel, Imf::Channel(Imf::FLOAT, 1, 1));
            frameBuffer.insert(channel, Imf::Slice(Imf::FLOAT, const_cast<char*>(lastRow) + c * sizeof(float),
                                                   pixelStride, static_cast<std::size_t>(0) - rowStride));
        }

        StagedFile staged(path);
        {
            WCharOStream stream(staged.temporaryPath(), name);
            {
                Imf::TiledOutputFile file(stream, header, Imf::globalThreadCount());
                file.setFrameBuffer(frameBuffer);
                file.writeTiles(0, file.numXTiles() - 1, 0, file.numYTiles() - 1);
            }  // the tile offsets are written here; a failure shows in the stream's state
            stream.close();
        }
        std::string reason;
        if (!staged.commit(reason))
            throw Iex::IoExc("Failed to move the written image to " + name + ": " + reason);
    } catch (const std::exception& e) {
        errorStream() << "Exr file writing failed: " << e.what() << std::endl;
        return Status::FileIOError;
    }
    infoStream() << "Successfully wrote EXR: " << name << std::endl;
    return Status::Success;
}

}  // namespace trv
