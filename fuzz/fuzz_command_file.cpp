// A command file of arbitrary bytes, read in every input encoding, cut into
// lines and fields and packed line by line, with every payload framed as the
// link would send it. Nothing may crash; a line must split into exactly one
// field per delimiter; a payload must fit a frame and come back from it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "encoding/text_encoding.h"
#include "link/ecr_command.h"
#include "link/protocol.h"
#include "manager/command_file.h"
#include "packing/command_data.h"
#include "packing/packer.h"

namespace {

using namespace danvore;

void Require(bool condition) {
  if (!condition) std::abort();
}

const TEcrCommands& Table() {
  static const TEcrCommands table = [] {
    TEcrCommands commands;
    BuildCommandTable(commands);
    return commands;
  }();
  return table;
}

std::size_t CountDelimiters(const std::string& line) {
  std::size_t count = 0;
  for (const char c : line)
    count += c == '/' ? 1 : 0;
  return count;
}

// Code and fields joined again give the line back.
void CheckSplit(const std::string& line, const TCommandData& data) {
  if (data.Kind == ckUnSupport) {
    Require(data.Datas.empty());
    return;
  }
  Require(data.Datas.size() == CountDelimiters(line));
  std::string joined = line.substr(0, line.find('/'));
  for (const std::string& field : data.Datas) {
    joined += '/';
    joined += field;
  }
  Require(joined == line);
}

void CheckFramed(const TPackedData& item) {
  Require(item.Data.size() <= kMaxPayloadSize);
  const TEcrCommand* command = Table().FindByID(static_cast<std::int32_t>(item.Command));
  Require(command != nullptr);
  TProtocol protocol(&Table());
  protocol.hCmd.Command = command->Command;
  protocol.bCommand = command->Command;
  TBytes frame;
  protocol.PackBuffer(item.Data, static_cast<int>(item.Data.size()), frame);
  TBytes payload;
  Require(protocol.CheckData(frame, payload) == ccOK);
  Require(payload == item.Data);
}

bool IsUtf8(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t extra = lead < 0x80    ? 0
                              : lead >= 0xF0 ? 3
                              : lead >= 0xE0 ? 2
                              : lead >= 0xC2 ? 1
                                             : 9;
    if (extra == 9 || lead > 0xF4 || i + extra >= text.size() + (extra == 0 ? 1 : 0)) return false;
    for (std::size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

// Decoding always yields UTF-8, and text without replacement characters
// survives the way out (an answer file) and back unchanged.
void CheckDecoded(const TTextEncoding& encoding, const std::string& text) {
  Require(IsUtf8(text));
  if (text.find("\xEF\xBF\xBD") != std::string::npos) return;
  Require(encoding.Decode(encoding.Encode(text)) == text);
}

// What the worker does with one line, minus the register.
void PackLine(TPacker& packer, const std::string& line, TCommandData& data,
              std::vector<std::string>& pieces) {
  ParseCommandLine(line, "/", data, pieces);
  CheckSplit(line, data);
  TPackedList packed;
  try {
    packed = packer.PackData(data);
  } catch (const std::invalid_argument&) {
    return;  // documented refusals of a malformed line
  } catch (const std::out_of_range&) {
    return;
  }
  // Report lines get a placeholder: the report procedure sends its own.
  if (data.Kind == ckZReport || data.Kind == ckXReport) return;
  for (const TPackedData& item : packed)
    CheckFramed(item);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TCommandData parsed;
  std::vector<std::string> pieces;
  std::vector<std::string> lines;
  for (int position = 0; position < kEncodingChoiceCount; ++position) {
    const auto encoding = MakeTextEncoding(position);
    const std::string text = encoding->Decode(bytes);
    CheckDecoded(*encoding, text);
    SplitTextLines(text, lines);
    TPacker packer;
    packer.DecimalType = (position % 2 == 0) ? dtComma : dtDot;
    for (const std::string& line : lines) {
      if (!IsBlankLine(line)) PackLine(packer, line, parsed, pieces);
    }
  }
  return 0;
}
