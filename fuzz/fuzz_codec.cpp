// Every field decoder of the codec over arbitrary register bytes, at
// arbitrary positions, lengths and decimals. Nothing may crash or read
// outside the buffer; the position moves by exactly the field length; a
// decoder reads only its field; and a value read back, written and read
// again stays the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "encoding/codec.h"

namespace {

using namespace danvore;

void Require(bool condition) {
  if (!condition) std::abort();
}

struct TFieldCase {
  TDCDataType Type;
  int Start;
  int Len;
  int Dec;
};

// The first four bytes choose the field and the codec's flags; the rest is
// the buffer the register sent.
TFieldCase ChooseField(const std::uint8_t* data) {
  return {static_cast<TDCDataType>(data[0] % (dtGreecAsc + 1)), static_cast<std::int8_t>(data[1]),
          static_cast<std::int8_t>(data[2]), data[3] % 12};
}

TccEncode ChooseFlags(std::uint8_t bits) {
  TccEncode codec;
  codec.Isinclen = (bits & 0x10) == 0;
  codec.Negative = (bits & 0x20) == 0;
  codec.IsCardinal = (bits & 0x40) != 0;
  return codec;
}

// Decoding twice at the same place gives the same value; the position
// moves by the length, or not at all when the codec does not advance.
FieldValue Decode(const TccEncode& codec, const TFieldCase& field, const TBytes& buf) {
  int pos = field.Start;
  const FieldValue value = codec.BufToData(field.Type, buf, pos, field.Len, field.Dec);
  Require(pos == (codec.Isinclen ? field.Start + field.Len : field.Start));
  int again = field.Start;
  Require(codec.BufToData(field.Type, buf, again, field.Len, field.Dec) == value);
  return value;
}

// A fixed-width field that lies wholly inside the buffer decodes the same
// from a copy of just that field.
void CheckFieldOnly(const TccEncode& codec, const TFieldCase& field, const TBytes& buf,
                    const FieldValue& value) {
  const bool variableWidth = field.Type == dtBCD || field.Type == dtBCDE || field.Type == dtBIN ||
                             field.Type == dtASC || field.Type == dtDBCD ||
                             field.Type == dtGreecAsc;
  if (!variableWidth || field.Start < 0 || field.Len < 0 ||
      static_cast<std::size_t>(field.Start) + static_cast<std::size_t>(field.Len) > buf.size())
    return;
  int pos = field.Start;
  Require(codec.BufToDataArr(field.Type, buf, pos, field.Len, field.Dec) == value);
}

// Write what was read into a fresh field, read it again: a second round
// gives the first round's value (the encoder accepts its decoder's output).
// Not for binary numbers read with minus (magnitude + 1): the register's
// reading of a negative field is one below the sign-magnitude it is sent.
void CheckRewrite(const TccEncode& codec, const TFieldCase& field, const FieldValue& value) {
  if (field.Len <= 0 || field.Len > 64) return;
  // Dates carry two-digit years and a time of day in floating point; their
  // own tests cover them.
  if (field.Type == dtDATE || field.Type == dtDATETIME || field.Type == dtTIME) return;
  // Nor beyond six bytes, where a double no longer holds every integer.
  if (field.Type == dtBIN && (codec.Negative || field.Len > 6)) return;
  // Packed digits with F nibbles inside: leading Fs read as written zeros,
  // so such a field does not survive a rewrite by design.
  const bool packed = field.Type == dtBCD || field.Type == dtBCDE || field.Type == dtDBCD;
  if (packed && value.AsText().find_first_of("Ff") != std::string::npos) return;
  auto round = [&](const FieldValue& in) {
    // Room for the fixed-width fields that ignore the length (a double).
    TBytes out(static_cast<std::size_t>(field.Len) + 8, 0);
    int pos = 0;
    try {
      codec.DataToBuf(field.Type, in, out, pos, field.Len, field.Dec);
    } catch (const std::invalid_argument&) {
      return FieldValue();  // a date field that holds no date
    }
    pos = 0;
    return codec.BufToData(field.Type, out, pos, field.Len, field.Dec);
  };
  const FieldValue once = round(value);
  Require(round(once) == once);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const TFieldCase field = ChooseField(data);
  const TccEncode codec = ChooseFlags(data[4]);
  const TBytes buf(data + 5, data + size);
  const FieldValue value = Decode(codec, field, buf);
  CheckFieldOnly(codec, field, buf, value);
  CheckRewrite(codec, field, value);
  TBytes stream = buf;
  codec.TransFileToGreec(stream);
  const std::string text = codec.GreekText(buf, 0, static_cast<int>(buf.size()));
  Require(codec.GreekText(codec.GreekBytes(text), 0, static_cast<int>(buf.size())) == text);
  return 0;
}
