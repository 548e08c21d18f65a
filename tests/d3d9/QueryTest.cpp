// Timestamp queries: ticks that follow the order of the work, at a rate of 1e9 a second, and
// honest answers for the query types the device does not implement.
#include <cstdint>

#include "DeviceFixture.h"

namespace testing_d3d9 {
namespace {

class Queries : public DeviceTest {
 protected:
  // Waits for the answer as a frame-time profiler would, flushing; fails after many polls.
  template <typename T>
  T answerOf(IDirect3DQuery9* query) {
    T value{};
    for (int poll = 0; poll < 1'000'000; ++poll) {
      const HRESULT hr = query->GetData(&value, sizeof value, D3DGETDATA_FLUSH);
      if (hr == S_OK) return value;
      EXPECT_EQ(hr, S_FALSE);
      if (hr != S_FALSE) break;
    }
    ADD_FAILURE() << "the query never answered";
    return value;
  }

  IDirect3DQuery9* make(D3DQUERYTYPE type) {
    IDirect3DQuery9* query = nullptr;
    EXPECT_EQ(device->CreateQuery(type, &query), D3D_OK);
    return query;
  }
};

TEST_F(Queries, TimestampsFollowTheWorkAtOneTickANanosecond) {
  IDirect3DQuery9* disjoint = make(D3DQUERYTYPE_TIMESTAMPDISJOINT);
  IDirect3DQuery9* frequency = make(D3DQUERYTYPE_TIMESTAMPFREQ);
  IDirect3DQuery9* stamps[3] = {make(D3DQUERYTYPE_TIMESTAMP), make(D3DQUERYTYPE_TIMESTAMP),
                                make(D3DQUERYTYPE_TIMESTAMP)};
  ASSERT_TRUE(disjoint && frequency && stamps[0] && stamps[1] && stamps[2]);
  EXPECT_EQ(stamps[0]->GetType(), D3DQUERYTYPE_TIMESTAMP);
  EXPECT_EQ(stamps[0]->GetDataSize(), sizeof(std::uint64_t));
  EXPECT_EQ(disjoint->GetDataSize(), sizeof(BOOL));

  ASSERT_EQ(disjoint->Issue(D3DISSUE_BEGIN), D3D_OK);
  ASSERT_EQ(stamps[0]->Issue(D3DISSUE_END), D3D_OK);
  for (int i = 0; i < 20; ++i) drawQuad();
  ASSERT_EQ(stamps[1]->Issue(D3DISSUE_END), D3D_OK);
  drawQuad();
  ASSERT_EQ(stamps[2]->Issue(D3DISSUE_END), D3D_OK);
  ASSERT_EQ(disjoint->Issue(D3DISSUE_END), D3D_OK);
  ASSERT_EQ(frequency->Issue(D3DISSUE_END), D3D_OK);

  const auto first = answerOf<std::uint64_t>(stamps[0]);
  const auto second = answerOf<std::uint64_t>(stamps[1]);
  const auto third = answerOf<std::uint64_t>(stamps[2]);
  EXPECT_LT(first, second) << "twenty quads were drawn between them";
  EXPECT_LE(second, third);
  EXPECT_EQ(answerOf<std::uint64_t>(frequency), 1'000'000'000u);
  EXPECT_EQ(answerOf<BOOL>(disjoint), FALSE);
  // A ready answer can be polled without a buffer.
  EXPECT_EQ(stamps[2]->GetData(nullptr, 0, 0), S_OK);

  // Issued again, a timestamp answers the later tick.
  drawQuad();
  ASSERT_EQ(stamps[0]->Issue(D3DISSUE_END), D3D_OK);
  EXPECT_GE(answerOf<std::uint64_t>(stamps[0]), third);

  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(stamps[0]->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner, device);
  owner->Release();
  for (IDirect3DQuery9* query : stamps) EXPECT_EQ(query->Release(), 0u);
  EXPECT_EQ(disjoint->Release(), 0u);
  EXPECT_EQ(frequency->Release(), 0u);
}

TEST_F(Queries, UnimplementedTypesAreRefusedNotFaked) {
  EXPECT_EQ(device->CreateQuery(D3DQUERYTYPE_TIMESTAMP, nullptr), D3D_OK);
  for (D3DQUERYTYPE type : {D3DQUERYTYPE_EVENT, D3DQUERYTYPE_OCCLUSION,
                            D3DQUERYTYPE_PIPELINETIMINGS, static_cast<D3DQUERYTYPE>(99)}) {
    EXPECT_EQ(device->CreateQuery(type, nullptr), D3DERR_NOTAVAILABLE) << type;
    IDirect3DQuery9* query = reinterpret_cast<IDirect3DQuery9*>(this);
    EXPECT_EQ(device->CreateQuery(type, &query), D3DERR_NOTAVAILABLE) << type;
    EXPECT_EQ(query, nullptr) << type;
  }
}

TEST_F(Queries, MisusedQueriesAnswerInvalidCall) {
  IDirect3DQuery9* stamp = make(D3DQUERYTYPE_TIMESTAMP);
  IDirect3DQuery9* disjoint = make(D3DQUERYTYPE_TIMESTAMPDISJOINT);
  ASSERT_TRUE(stamp && disjoint);
  std::uint64_t ticks = 0;
  EXPECT_EQ(stamp->GetData(&ticks, sizeof ticks, 0), D3DERR_INVALIDCALL) << "never issued";
  EXPECT_EQ(stamp->Issue(D3DISSUE_BEGIN), D3DERR_INVALIDCALL) << "a point, not an interval";
  EXPECT_EQ(stamp->Issue(0), D3DERR_INVALIDCALL);
  EXPECT_EQ(disjoint->Issue(D3DISSUE_END), D3DERR_INVALIDCALL) << "no BEGIN before";
  ASSERT_EQ(disjoint->Issue(D3DISSUE_BEGIN), D3D_OK);
  BOOL flag = TRUE;
  EXPECT_EQ(disjoint->GetData(&flag, sizeof flag, 0), D3DERR_INVALIDCALL) << "not ended";

  ASSERT_EQ(stamp->Issue(D3DISSUE_END), D3D_OK);
  std::uint32_t tooSmall = 0;
  EXPECT_EQ(stamp->GetData(&tooSmall, sizeof tooSmall, D3DGETDATA_FLUSH), D3DERR_INVALIDCALL);
  EXPECT_EQ(stamp->GetData(nullptr, sizeof ticks, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(stamp->GetData(&ticks, sizeof ticks, 0x10), D3DERR_INVALIDCALL);
  stamp->Release();
  disjoint->Release();
}

}  // namespace
}  // namespace testing_d3d9
