// An ImageView is made only from an Image that outlives the statement: from
// a named Image (an lvalue), never from a temporary one, whose samples are
// freed at the end of the statement while the view still points at them.
#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>

#include "image.h"

namespace {

static_assert(std::is_constructible_v<ImageView, Image&>);
static_assert(std::is_constructible_v<ImageView, const Image&>);
static_assert(std::is_convertible_v<Image&, ImageView>, "a named Image still passes where a view is taken");
static_assert(std::is_convertible_v<const Image&, ImageView>);

static_assert(!std::is_constructible_v<ImageView, Image>, "a temporary Image must not make a view");
static_assert(!std::is_constructible_v<ImageView, Image&&>);
static_assert(!std::is_constructible_v<ImageView, const Image&&>);
static_assert(!std::is_convertible_v<Image, ImageView>);
static_assert(!std::is_convertible_v<Image&&, ImageView>);
static_assert(!std::is_convertible_v<const Image&&, ImageView>);

// A call such as ChannelSsim(ReadImage(path), ...) does not compile.
[[maybe_unused]] void TakesView(const ImageView&) {}
template <class Operand>
concept ViewArgument = requires(Operand&& operand) { TakesView(static_cast<Operand&&>(operand)); };
static_assert(ViewArgument<Image&> && ViewArgument<const Image&>);
static_assert(!ViewArgument<Image> && !ViewArgument<const Image>);

// The view of a named Image reads that Image's samples, at either depth.
TEST(ImageView, OfANamedImageSeesItsSamples) {
    for (const int depth : {8, 16}) {
        SCOPED_TRACE(depth);
        Image image;
        image.width = 3;
        image.height = 2;
        image.layout = ChannelLayout::GreyAlpha;
        image.bitDepth = depth;
        image.peak = depth == 16 ? 1023 : 200;
        if (depth == 16) {
            image.samples16.assign(image.SampleCount(), 7);
        } else {
            image.samples8.assign(image.SampleCount(), 7);
        }
        const ImageView view = image;
        EXPECT_EQ(view.width, 3);
        EXPECT_EQ(view.height, 2);
        EXPECT_EQ(view.layout, ChannelLayout::GreyAlpha);
        EXPECT_EQ(view.bitDepth, depth);
        EXPECT_EQ(view.peak, image.peak);
        EXPECT_EQ(view.held, image.SampleCount());
        const void* owned = depth == 16 ? static_cast<const void*>(image.samples16.data()) : image.samples8.data();
        EXPECT_EQ(view.samples, owned);
    }
}

}  // namespace
