#include "ResultFiles.h"

#include "RenderError.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <tinyxml2.h>

#include <charconv>

namespace torvo_renderer {

namespace {

std::string numberText(float value)
{
    char text[48];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    return std::string(text, result.ptr);
}

}  // namespace

void writeExrImage(const std::filesystem::path& path, int width, int height, const std::vector<std::string>& names,
                   const std::vector<float>& values)
{
    try {
        Imf::Header header(width, height);
        header.compression() = Imf::ZIP_COMPRESSION;
        header.lineOrder() = Imf::INCREASING_Y;
        for (const std::string& name : names)
            header.channels().insert(name, Imf::Channel(Imf::FLOAT));
        Imf::FrameBuffer frame;
        const size_t stride = names.size() * sizeof(float);
        for (size_t c = 0; c < names.size(); ++c)
            frame.insert(names[c], Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(const_cast<float*>(values.data()) + c),
                                              stride, stride * size_t(width)));
        Imf::OutputFile file(path.c_str(), header);
        file.setFrameBuffer(frame);
        file.writePixels(height);
    } catch (const std::exception& e) {
        throw RenderError(ExitCode::ResultWriteFailed, "Result image cannot be written: " + path.string() + " (" +
                                                           e.what() + ")");
    }
}

void writeNormalizationDocument(const std::filesystem::path& path, const std::vector<SurfaceRange>& ranges)
{
    tinyxml2::XMLDocument document;
    document.InsertEndChild(document.NewDeclaration());
    tinyxml2::XMLElement* root = document.NewElement("MinMaxRoot");
    document.InsertEndChild(root);
    tinyxml2::XMLElement* list = root->InsertNewChildElement("minMaxVec");
    for (const SurfaceRange& range : ranges) {
        tinyxml2::XMLElement* surface = list->InsertNewChildElement("ShapeMinMax");
        surface->InsertNewChildElement("shape")->SetText(range.shape.c_str());
        surface->InsertNewChildElement("minVal")->SetText(numberText(range.minimum).c_str());
        surface->InsertNewChildElement("maxVal")->SetText(numberText(range.maximum).c_str());
        tinyxml2::XMLElement* channels = surface->InsertNewChildElement("ComponentMinMaxVec");
        for (const auto& [low, high] : range.channels) {
            tinyxml2::XMLElement* channel = channels->InsertNewChildElement("ComponentMinMax");
            channel->InsertNewChildElement("minVal")->SetText(numberText(low).c_str());
            channel->InsertNewChildElement("maxVal")->SetText(numberText(high).c_str());
        }
    }
    if (document.SaveFile(path.c_str()) != tinyxml2::XML_SUCCESS)
        throw RenderError(ExitCode::ResultWriteFailed, "Normalization document cannot be written: " + path.string());
}

}  // namespace torvo_renderer
