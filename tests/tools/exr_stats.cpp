// Prints what the model tests check in a baked EXR image, on one line:
//   <width> <height> <not-finite values> <covered texels> <lit covered texels> <channels>
// covered: alpha above 0; lit: covered and some colour channel away from 0 by more than 1e-3.
// With --probe, reads texel positions "x y" from standard input and then prints, one a line, the
// alpha (coverage) of each.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const bool probe = argc == 3 && std::string(argv[1]) == "--probe";
    if (argc != 2 && !probe) {
        std::fprintf(stderr, "usage: exr_stats [--probe] FILE.exr\n");
        return 2;
    }
    try {
        Imf::InputFile file(argv[argc - 1]);
        const Imath::Box2i window = file.header().dataWindow();
        const int width = window.max.x - window.min.x + 1, height = window.max.y - window.min.y + 1;
        std::string channels;
        for (auto c = file.header().channels().begin(); c != file.header().channels().end(); ++c)
            channels += std::string(channels.empty() ? "" : ",") + c.name();
        std::vector<float> pixels(static_cast<size_t>(width) * height * 4, 0.0f);
        Imf::FrameBuffer buffer;
        static const char* const names[4] = {"R", "G", "B", "A"};
        const size_t pixel = 4 * sizeof(float);
        for (int c = 0; c < 4; ++c)
            buffer.insert(names[c], Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(pixels.data() + c) -
                                                                (window.min.x + window.min.y * static_cast<long>(width)) * pixel,
                                               pixel, pixel * static_cast<size_t>(width)));
        file.setFrameBuffer(buffer);
        file.readPixels(window.min.y, window.max.y);
        long notFinite = 0, covered = 0, lit = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) {
            for (int c = 0; c < 4; ++c)
                notFinite += !std::isfinite(pixels[i + c]);
            if (pixels[i + 3] > 0) {
                ++covered;
                lit += std::fabs(pixels[i]) > 1e-3f || std::fabs(pixels[i + 1]) > 1e-3f || std::fabs(pixels[i + 2]) > 1e-3f;
            }
        }
        if (probe) {
            long x = 0, y = 0;
            while (std::scanf("%ld %ld", &x, &y) == 2)
                std::printf("%g\n", x >= 0 && x < width && y >= 0 && y < height
                                         ? static_cast<double>(pixels[(static_cast<size_t>(y) * width + x) * 4 + 3])
                                         : -1.0);
            return 0;
        }
        std::printf("%d %d %ld %ld %ld %s\n", width, height, notFinite, covered, lit, channels.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "exr_stats: %s\n", e.what());
        return 1;
    }
}
