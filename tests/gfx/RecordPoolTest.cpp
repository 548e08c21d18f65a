#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "gfx/mesh/MeshFace.h"
#include "gfx/mesh/RecordPool.h"

namespace {

using namespace vantor;

// Records of the pool's sizes interleaved, as a refinement makes them: each must own its
// bytes, so filling every one with its own pattern leaves every pattern intact.
TEST(RecordPool, RecordsOfMixedSizesGetDisjointAlignedStorage) {
  const std::size_t sizes[] = {sizeof(Edge),
                               sizeof(Vertex),
                               sizeof(QuadFace),
                               sizeof(TriFace),
                               1,
                               8,
                               40,
                               recordpool::kLargestPooledRecord,
                               recordpool::kLargestPooledRecord + 1};
  std::vector<std::pair<unsigned char*, std::size_t>> records;
  // More than a slab's worth of each size, so that records span several slabs.
  for (int round = 0; round < 2000; ++round) {
    for (std::size_t size : sizes) {
      auto* record = static_cast<unsigned char*>(recordpool::allocate(size));
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(record) % 8, 0u) << size;
      std::memset(record, static_cast<int>(records.size() % 251), size);
      records.emplace_back(record, size);
    }
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    const auto [record, size] = records[i];
    const bool intact = std::all_of(record, record + size, [&](unsigned char byte) {
      return byte == static_cast<unsigned char>(i % 251);
    });
    ASSERT_TRUE(intact) << "record " << i << " of " << size << " bytes was overwritten";
  }
  for (const auto& [record, size] : records) recordpool::release(record, size);
  recordpool::release(nullptr, sizeof(Edge));
}

// A topology that is cleared and built again, as a work mesh is on every refinement, must
// reuse what it gave back rather than grow. Records deleted through a base pointer return
// under their own type's size.
TEST(RecordPool, DeletedRecordsAreReusedBySameSizedRecords) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "with AddressSanitizer the records live on the ordinary heap";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "with AddressSanitizer the records live on the ordinary heap";
#endif
#endif
  std::vector<VertexBase*> vertices;
  for (int i = 0; i < 100; ++i) vertices.push_back(new Vertex(1.0f, 2.0f, 3.0f));
  std::vector<const void*> given(vertices.begin(), vertices.end());
  for (VertexBase* vertex : vertices) delete vertex;

  std::vector<VertexBase*> again;
  for (int i = 0; i < 100; ++i) again.push_back(Vertex(4.0f, 5.0f, 6.0f).clone());
  std::sort(given.begin(), given.end());
  for (VertexBase* vertex : again) {
    EXPECT_TRUE(std::binary_search(given.begin(), given.end(), vertex));
    EXPECT_EQ(vertex->getPosition()->y, 5.0f);
  }
  for (VertexBase* vertex : again) delete vertex;
}

}  // namespace
