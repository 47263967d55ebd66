// The fuzz targets, compiled into the test program under their own names so
// that their seeds and every input that once failed run as a plain test.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" int FuzzCheckDataOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int FuzzCodecOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int FuzzCommandFileOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int FuzzIniOneInput(const std::uint8_t* data, std::size_t size);
