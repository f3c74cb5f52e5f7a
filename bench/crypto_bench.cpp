// The cipher wrapper beside the bare OpenSSL calls it stands for, on 1 MB
// bodies and on 128-byte values (a stored password, a short title). The
// wrapper adds the key parsing, its own padding and a random IV per call; it
// should stay within a few per cent of the bare calls.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/util/vell_crypto.h"

namespace {

const uint8_t kKey[16] = {0x57, 0xBD, 0xAC, 0x08, 0xAE, 0xFE, 0xC1, 0x04,
                          0x0D, 0xD3, 0x83, 0x4E, 0x93, 0x7B, 0x6A, 0x85};
const uint8_t kIV[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

std::vector<uint8_t> Plain(int64_t n) {
  std::vector<uint8_t> plain(static_cast<size_t>(n));
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i * 31);
  return plain;
}

// The bare EVP sequence with a fixed IV; the output carries the IV in front,
// as the wrapper's does.
int RawEncrypt(const uint8_t* in, int n, uint8_t* out) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int a = 0, b = 0;
  if (EVP_EncryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, kKey, kIV) != 1 ||
      EVP_EncryptUpdate(ctx, out + 16, &a, in, n) != 1 ||
      EVP_EncryptFinal_ex(ctx, out + 16 + a, &b) != 1) {
    abort();
  }
  EVP_CIPHER_CTX_free(ctx);
  return 16 + a + b;
}

int RawDecrypt(const uint8_t* in, int n, uint8_t* out) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int a = 0, b = 0;
  if (EVP_DecryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, kKey, in) != 1 ||
      EVP_DecryptUpdate(ctx, out, &a, in + 16, n - 16) != 1 ||
      EVP_DecryptFinal_ex(ctx, out + a, &b) != 1) {
    abort();
  }
  EVP_CIPHER_CTX_free(ctx);
  return a + b;
}

void BM_WrapperEncrypt(benchmark::State& state) {
  auto plain = Plain(state.range(0));
  auto n = static_cast<int32_t>(plain.size());
  std::vector<uint8_t> out(static_cast<size_t>(Vell_GetEncryptedDataLength(n)));
  for (auto _ : state) {
    if (Vell_Encrypt(plain.data(), n, kKdxProgramKeyHex, out.data()) < 0) abort();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_RawEncrypt(benchmark::State& state) {
  auto plain = Plain(state.range(0));
  auto n = static_cast<int32_t>(plain.size());
  std::vector<uint8_t> out(static_cast<size_t>(Vell_GetEncryptedDataLength(n)));
  std::copy(kIV, kIV + 16, out.begin());
  for (auto _ : state) {
    RawEncrypt(plain.data(), n, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_WrapperDecrypt(benchmark::State& state) {
  auto plain = Plain(state.range(0));
  auto n = static_cast<int32_t>(plain.size());
  std::vector<uint8_t> data(static_cast<size_t>(Vell_GetEncryptedDataLength(n)));
  int32_t length = Vell_Encrypt(plain.data(), n, kKdxProgramKeyHex, data.data());
  std::vector<uint8_t> out(data.size() - 16);
  for (auto _ : state) {
    if (Vell_Decrypt(data.data(), length, kKdxProgramKeyHex, out.data()) != n) abort();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_RawDecrypt(benchmark::State& state) {
  auto plain = Plain(state.range(0));
  auto n = static_cast<int32_t>(plain.size());
  std::vector<uint8_t> data(static_cast<size_t>(Vell_GetEncryptedDataLength(n)));
  std::copy(kIV, kIV + 16, data.begin());
  int length = RawEncrypt(plain.data(), n, data.data());
  std::vector<uint8_t> out(data.size());
  for (auto _ : state) {
    if (RawDecrypt(data.data(), length, out.data()) != n) abort();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_WrapperEncrypt)->Arg(1 << 20)->Arg(128);
BENCHMARK(BM_RawEncrypt)->Arg(1 << 20)->Arg(128);
BENCHMARK(BM_WrapperDecrypt)->Arg(1 << 20)->Arg(128);
BENCHMARK(BM_RawDecrypt)->Arg(1 << 20)->Arg(128);

}  // namespace

BENCHMARK_MAIN();
