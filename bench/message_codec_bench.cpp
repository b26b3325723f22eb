// Encode and decode cost of the two messages on every signature's road: a SignData request and a
// GetContainerInfo response with a 2 KB certificate, against a memcpy of the same bytes.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/core/vsc_session_messages.h"

using namespace VirtualSmartCardProtocol;

namespace {
volatile DWORD g_sink;

template <typename F>
double NanosPerCall(F&& f, int iterations) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < iterations; ++i) f();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  return std::chrono::duration<double, std::nano>(elapsed).count() / iterations;
}

template <typename Message>
void Measure(const char* name, const Message& message) {
  constexpr int kIterations = 200000;
  CSecureBuffer wire;
  {
    CMessageSerialization s;
    message.Serialize(s);
    s.Serialize(wire);
  }
  const double encode = NanosPerCall(
      [&] {
        CMessageSerialization s;
        CSecureBuffer out;
        message.Serialize(s);
        s.Serialize(out);
        g_sink = out.size;
      },
      kIterations);
  const double decode = NanosPerCall(
      [&] {
        CMessageSerialization s;
        DWORD consumed = 0;
        Message read;
        s.Deserialize(wire, consumed);
        g_sink = read.Deserialize(s);
      },
      kIterations);
  std::vector<BYTE> target(wire.size);
  const double copy = NanosPerCall(
      [&] {
        std::memcpy(target.data(), wire.data, wire.size);
        g_sink = target[wire.size / 2];
      },
      kIterations);
  std::printf("%-28s %5u bytes  encode %8.1f ns (%6.1fx memcpy)  decode %8.1f ns (%6.1fx memcpy)\n", name,
              static_cast<unsigned>(wire.size), encode, encode / copy, decode, decode / copy);
}
}  // namespace

int main() {
  CSignDataRequest sign;
  sign.SetSessionId(CSecureBuffer(kSessionIdSize));
  sign.SetContainerName(WSTR("{6f1c2a7e-0d35-4b8e-9a41-2f7c3b9d8e10}"));
  sign.SetAlgorithmId(0x800c);
  sign.SetData(CSecureBuffer(256));
  Measure("SignData request", sign);

  CGetContainerInfoResponse info;
  info.SetStatus(0);
  info.SetCertificate(CSecureBuffer(2048));
  Measure("GetContainerInfo response", info);
  return 0;
}
