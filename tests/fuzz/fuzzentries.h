#pragma once
#include <cstddef>
#include <cstdint>

// One run of each parser over arbitrary bytes. The fuzz targets call these
// from LLVMFuzzerTestOneInput and the replay test feeds them every corpus
// file, so a crash found once stays covered by the ordinary tests.
// Expected rejections (DbError) are part of a parser's contract and are
// swallowed; a broken invariant aborts.
namespace FuzzEntry {

void adif(const uint8_t *data, size_t size);
void cty(const uint8_t *data, size_t size);
void ini(const uint8_t *data, size_t size);
void dateTime(const uint8_t *data, size_t size);

} // namespace FuzzEntry
