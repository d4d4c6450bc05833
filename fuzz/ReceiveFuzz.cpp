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

// A terminator text: in the "#code#code" form (so that chunks do get found), or with a chance of
// one in `anyText` any text at all. A refused text costs a thrown exception, which under the
// sanitizers costs as much as the chunking of a whole input; so an input has at most one refused
// text (`refusable` false: only texts that are accepted), at its start or between notifications.
std::string TerminatorText(FuzzedDataProvider& in, int anyText, bool refusable) {
  if (refusable && in.ConsumeIntegralInRange(1, anyText) == 1) return in.ConsumeRandomLengthString(24);
  std::string text;
  const int parts = in.ConsumeIntegralInRange(refusable ? 0 : 1, 3);
  for (int i = 0; i < parts; ++i) text += "#" + std::to_string(in.ConsumeIntegralInRange(-300, 300));
  return text;
}

// Sets the terminator through the component's own property and checks what it then holds.
// `refused` is set when the port refuses the text.
std::string SetTerminator(TComPort& port, const std::string& text, bool& refused) {
  std::string bytes;
  const TTermParse result = ParseTerminator(text, bytes);
  refused = refused || result != TTermParse::tpOK;
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
  bool refused = false;
  std::string term = SetTerminator(port, TerminatorText(in, 4, true), refused);

  std::string buffer;     // the component's receive buffer
  std::string received;   // every byte that arrived, in order
  std::string delivered;  // every chunk handed to the receive callback, in order
  // The buffer before this position holds no complete terminator (checked already); each check
  // looks only at what is new, so that a long input costs linear time, not quadratic.
  size_t checked = 0;
  size_t searched = 0;  // what the component keeps for the same purpose, set by TakeChunk
  std::string chunk;    // kept across notifications, as its capacity is reused
  while (in.remaining_bytes() > 0) {
    if (in.ConsumeIntegralInRange(0, 15) == 0) {
      term = SetTerminator(port, TerminatorText(in, 8, !refused), refused);
      checked = searched = 0;
      continue;
    }
    char piece[64];
    const size_t length = in.ConsumeData(piece, in.ConsumeIntegralInRange<size_t>(0, sizeof piece));
    received.append(piece, length);
    buffer.append(piece, length);
    const size_t size = buffer.size();
    if (TakeChunk(buffer, term, chunk, searched)) {
      FuzzCheck(!term.empty(), "a chunk without a terminator");
      FuzzCheck(chunk.size() >= term.size() && chunk.compare(chunk.size() - term.size(), term.size(), term) == 0,
                "a chunk does not end with the terminator");
      FuzzCheck(chunk.find(term) == chunk.size() - term.size(), "a chunk holds an earlier terminator");
      FuzzCheck(chunk.size() + buffer.size() == size && received.compare(delivered.size(), chunk.size(), chunk) == 0,
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
