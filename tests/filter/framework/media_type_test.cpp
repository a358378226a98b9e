// CMediaType ownership: deep copies of the format block and pUnk, and the task-memory helpers.
#include "FrameworkTestObjects.h"

#include <cstring>

namespace {

using MediaTypeTest = FrameworkTest;

TEST_F(MediaTypeTest, CopiesOwnTheirFormatBlock)
{
    CMediaType original = VideoType(64, 48);
    CMediaType copy(original);
    ASSERT_NE(copy.Format(), nullptr);
    EXPECT_NE(copy.Format(), original.Format());
    EXPECT_TRUE(copy == original);

    // Changing the copy's header leaves the original alone, and the two no longer compare equal.
    reinterpret_cast<VIDEOINFOHEADER*>(copy.Format())->bmiHeader.biWidth = 32;
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(original.Format())->bmiHeader.biWidth, 64);
    EXPECT_TRUE(copy != original);

    CMediaType assigned;
    assigned = original;
    EXPECT_TRUE(assigned == original);
    assigned = assigned;  // self-assignment keeps the block
    EXPECT_TRUE(assigned == original);

    CMediaType moved(std::move(assigned));
    EXPECT_TRUE(moved == original);
    EXPECT_EQ(assigned.Format(), nullptr);
}

TEST_F(MediaTypeTest, FormatBufferAllocationAndResize)
{
    CMediaType type;
    BYTE* block = type.AllocFormatBuffer(8);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(type.FormatLength(), 8u);
    std::memcpy(block, "abcdefgh", 8);
    BYTE* grown = type.ReallocFormatBuffer(12);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(std::memcmp(grown, "abcdefgh\0\0\0\0", 12), 0);
    EXPECT_TRUE(type.SetFormat(reinterpret_cast<const BYTE*>("xy"), 2));
    EXPECT_EQ(type.FormatLength(), 2u);
    EXPECT_FALSE(type.SetFormat(nullptr, 4));
    type.ResetFormatBuffer();
    EXPECT_EQ(type.Format(), nullptr);
    EXPECT_EQ(type.FormatLength(), 0u);
}

TEST_F(MediaTypeTest, TaskMemoryCopiesHoldTheirOwnPunkReference)
{
    FakeOuter object;
    CMediaType type = VideoType(16, 16);
    type.pUnk = &object;
    object.AddRef();
    AM_MEDIA_TYPE* created = CreateMediaType(&type);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(object.Refs(), 3);
    EXPECT_NE(created->pbFormat, type.pbFormat);
    DeleteMediaType(created);
    EXPECT_EQ(object.Refs(), 2);
    FreeMediaType(type);
    EXPECT_EQ(object.Refs(), 1);
    EXPECT_EQ(type.pbFormat, nullptr);
    DeleteMediaType(nullptr);
    EXPECT_EQ(CopyMediaType(nullptr, &type), E_POINTER);
}

TEST_F(MediaTypeTest, PartialTypesMatchOnTheFieldsTheySpecify)
{
    CMediaType partial(&MEDIATYPE_Video);
    partial.SetSubtype(&MEDIASUBTYPE_RGB24);
    EXPECT_TRUE(partial.IsPartiallySpecified());
    EXPECT_FALSE(VideoType(8, 8).IsPartiallySpecified());
    EXPECT_TRUE(VideoType(8, 8).MatchesPartial(partial));

    CMediaType otherSubtype = VideoType(8, 8);
    otherSubtype.SetSubtype(&MEDIASUBTYPE_RGB32);
    EXPECT_FALSE(otherSubtype.MatchesPartial(partial));
    // A format type in the partial type brings its block into the comparison.
    EXPECT_FALSE(VideoType(8, 8).MatchesPartial(VideoType(16, 8)));
}

}  // namespace
