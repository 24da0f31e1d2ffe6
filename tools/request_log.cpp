// The request log's entries and their one-line text, shared by the tests' assertions and
// the program's output in the technician's terminal.
#include "request_log.h"

#include <array>
#include <string_view>
#include <utility>

namespace {

uint16_t Word(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

constexpr std::array<std::pair<std::string_view, SensorFault>, 9> faultNames{{
    {"none", SensorFault::None},
    {"silent", SensorFault::Silent},
    {"first-only", SensorFault::FirstRequestOnly},
    {"bad-crc", SensorFault::BadCrc},
    {"exception", SensorFault::ExceptionReply},
    {"leading-garbage", SensorFault::LeadingGarbage},
    {"other-slave-first", SensorFault::OtherSlaveFirst},
    {"endless-stream", SensorFault::EndlessStream},
    {"readback-differs", SensorFault::ReadbackDiffers},
}};

}  // namespace

SensorRequest DecodeRequest(const uint8_t* frame, size_t capacity)
{
    SensorRequest request{frame[0], frame[1], Word(frame + 2), Word(frame + 4), {}};
    if (request.function == 16) {
        const size_t byteCount = frame[6];
        for (size_t i = 0; i + 1 < byteCount && 7 + i + 1 < capacity; i += 2) {
            request.values.push_back(Word(frame + 7 + i));
        }
    }
    return request;
}

std::string FormatRequest(const SensorRequest& request)
{
    std::string line = "fc=" + std::to_string(request.function) +
        " slave=" + std::to_string(request.slave) + " start=" + std::to_string(request.start) +
        " qty=" + std::to_string(request.quantity);
    if (request.function == 16) {
        line += " values=";
        for (size_t i = 0; i < request.values.size(); ++i) {
            if (i > 0)
                line += ',';
            line += std::to_string(request.values[i]);
        }
    }
    return line;
}

bool ParseFault(const std::string& name, SensorFault& fault)
{
    for (const auto& [text, value] : faultNames) {
        if (name == text) {
            fault = value;
            return true;
        }
    }
    return false;
}
