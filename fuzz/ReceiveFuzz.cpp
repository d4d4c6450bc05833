// The receive path of the chunked mode (rmTERM) with arbitrary input: terminator texts as a user
// or a caller may set them, and arbitrary bytes arriving in arbitrary pieces, with the terminator
// changed between notifications. Each notification appends what arrived to the receive buffer and
// takes at most one chunk off its front, as the port component does.
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "ComPort.h"
#include "FuzzSupport.h"
#include "TermParse.h"

namespace {

// A terminator text: mostly in the "#code#code" form (so that chunks do get found), otherwise any
// text at all.
std::string TerminatorText(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) return in.ConsumeRandomLengthString(24);
  std::string text;
  const int parts = in.ConsumeIntegralInRange(0, 3);
  for (int i = 0; i < parts; ++i) text += "#" + std::to_string(in.ConsumeIntegralInRange(-300, 300));
  return text;
}

// Sets the terminator through the component's own property and checks what it then holds.
std::string SetTerminator(TComPort& port, const std::string& text) {
  std::string bytes;
  const TTermParse result = ParseTerminator(text, bytes);
  try {
    port.SetTerminator(text);
    FuzzCheck(result == TTermParse::tpOK, "an unreadable terminator was accepted");
  } catch (const EComError& e) {
    const std::string message = e.what();
    FuzzCheck(result != TTermParse::tpOK, "a readable terminator was refused");
    FuzzCheck(message == (result == TTermParse::tpEmpty ? EmptyTerminatorMessage : IllegalTerminatorMessage),
              "wrong message for a refused terminator");
  }
  FuzzCheck(port.Terminator() == FormatTerminator(bytes), "terminator text does not match its bytes");
  if (result == TTermParse::tpIllegal) FuzzCheck(bytes == "\r\n", "a refused terminator is not 13, 10");
  if (result == TTermParse::tpEmpty) FuzzCheck(bytes.empty(), "an empty terminator holds bytes");
  if (result == TTermParse::tpOK) {
    // The text form reads back to the same bytes.
    std::string again;
    FuzzCheck(ParseTerminator(port.Terminator(), again) == TTermParse::tpOK && again == bytes,
              "terminator text does not read back");
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  TComPort port;
  std::string term = SetTerminator(port, TerminatorText(in));

  std::string buffer;     // the component's receive buffer
  std::string received;   // every byte that arrived, in order
  std::string delivered;  // every chunk handed to the receive callback, in order
  // The buffer before this position holds no complete terminator (checked already); each check
  // looks only at what is new, so that a long input costs linear time, not quadratic.
  size_t checked = 0;
  while (in.remaining_bytes() > 0) {
    if (in.ConsumeIntegralInRange(0, 7) == 0) {
      term = SetTerminator(port, TerminatorText(in));
      checked = 0;
      continue;
    }
    const std::string piece = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(0, 64));
    received += piece;
    buffer += piece;
    const size_t size = buffer.size();
    std::string chunk;
    if (TakeChunk(buffer, term, chunk)) {
      FuzzCheck(!term.empty(), "a chunk without a terminator");
      FuzzCheck(chunk.size() >= term.size() && chunk.compare(chunk.size() - term.size(), term.size(), term) == 0,
                "a chunk does not end with the terminator");
      FuzzCheck(chunk.find(term) == chunk.size() - term.size(), "a chunk holds an earlier terminator");
      FuzzCheck(chunk.size() + buffer.size() == size &&
                    received.compare(delivered.size(), chunk.size(), chunk) == 0,
                "chunking lost, added or reordered bytes");
      delivered += chunk;
      checked = 0;  // the rest may hold further chunks, taken one per notification
    } else {
      FuzzCheck(buffer.size() == size, "a failed search changed the buffer");
      FuzzCheck(term.empty() || buffer.find(term, checked) == std::string::npos, "a complete chunk was not found");
      if (!term.empty()) checked = size >= term.size() ? size - term.size() + 1 : 0;
    }
  }
  FuzzCheck(delivered + buffer == received, "the delivered chunks and the buffer are not what arrived");
  return 0;
}
