// Feeds arbitrary bytes, cut into consecutive messages, to the endpoint handler's dispatcher with
// a stub protocol handler. Every answer must be one well-formed response: a message that parses
// completely and starts with four integers, the version being 1.
#include <cstdlib>

#include "foundation/core/little_endian.h"
#include "foundation/core/random_source.h"
#include "foundation/core/tests/test_endpoint_handler.h"

using namespace VirtualSmartCardProtocol;

namespace {
// Session identifiers the fuzzer can reach: 16 equal bytes, 1 to 8, repeating after eight opens.
DWORD g_draws = 0;

bool PredictableRandom(BYTE* data, DWORD size) {
  const BYTE value = static_cast<BYTE>(g_draws++ % 8 + 1);
  for (DWORD i = 0; i < size; ++i) data[i] = value;
  return true;
}

void CheckResponse(const CSecureBuffer& bytes) {
  CMessageSerialization s;
  DWORD consumed = 0;
  if (!s.Deserialize(bytes, consumed) || consumed != bytes.size || s.ElementCount() < 4) std::abort();
  CSerializationElement first;
  if (!s.PeekElement(first) || first.type != ElementTypeDWORD || first.value.size != 4) std::abort();
  const DWORD type = luma::ReadLE32(first.value.data);
  CResponseMessage header(type);
  if (!header.Deserialize(s) || header.GetVersion() != kProtocolVersion) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  luma::testing::ScopedRandomGenerators random(PredictableRandom, PredictableRandom);
  g_draws = 0;
  CTestEndpointHandler handler;
  const CSecureBuffer input(static_cast<DWORD>(size), data);

  DWORD offset = 0;
  for (int index = 0; offset < input.size && index < 64; ++index) {
    // The next message is what the wire format says belongs to it; unparseable rest goes whole.
    const CSecureBuffer rest(input.size - offset, input.data + offset);
    CMessageSerialization probe;
    DWORD consumed = 0;
    if (!probe.Deserialize(rest, consumed) || consumed == 0) consumed = rest.size;
    const CSecureBuffer request(consumed, rest.data);
    offset += consumed;

    handler.throwOnGetProviders = index % 2 == 1;
    CSecureBuffer response;
    if (!handler.ProcessMessage(request, response)) std::abort();
    CheckResponse(response);

    // Finish every other transaction at once; the rest stay running for the polls that follow.
    CSignDataResponse started;
    CMessageSerialization s;
    if (s.Deserialize(response, consumed) && started.Deserialize(s) &&
        started.GetStatus() == ERROR_NOT_READY && started.GetTransactionId() % 2 == 0)
      handler.CompleteSignData(started.GetTransactionId(), 0, CSecureBuffer(256));
  }
  return 0;
}
