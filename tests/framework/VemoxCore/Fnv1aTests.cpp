// The 64-bit FNV-1a hash: the published reference values, bytes above 127, the continuation of a
// running hash across pieces, and which argument lists select which overload.
#include "framework/VemoxCore/Fnv1a.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace Vemox
{
namespace
{
// A character pointer with a second argument could be text with a running hash or bytes with a size;
// the call must not compile rather than silently pick the byte overload.
template <class, class = void> struct IsFnv1aCallable : std::false_type
{
};
template <class... TArguments>
struct IsFnv1aCallable<void(TArguments...), std::void_t<decltype(Fnv1a(std::declval<TArguments>()...))>>
    : std::true_type
{
};
static_assert(!IsFnv1aCallable<void(const char*, std::uint64_t)>::value, "ambiguous call must not compile");
static_assert(IsFnv1aCallable<void(std::string_view, std::uint64_t)>::value, "text with a running hash");
static_assert(IsFnv1aCallable<void(const void*, std::size_t, std::uint64_t)>::value, "bytes, running hash");
static_assert(IsFnv1aCallable<void(const char*)>::value, "a literal starts a new hash");

// Reference values published with the algorithm; the text overload must give them at compile time.
static_assert(Fnv1a("") == 0xcbf29ce484222325ull, "empty input is the offset basis");
static_assert(Fnv1a("a") == 0xaf63dc4c8601ec8cull, "FNV-1a reference value of \"a\"");
static_assert(Fnv1a("foobar") == 0x85944171f73967e8ull, "FNV-1a reference value of \"foobar\"");

TEST(Fnv1aTest, BytesAndTextGiveTheReferenceValues)
{
    const std::string text = "foobar";
    EXPECT_EQ(Fnv1a(static_cast<const void*>(text.data()), text.size()), 0x85944171f73967e8ull);
    EXPECT_EQ(Fnv1a(text), 0x85944171f73967e8ull);
    EXPECT_EQ(Fnv1a(static_cast<const void*>(nullptr), 0), FnvOffsetBasis);
}

TEST(Fnv1aTest, CharactersAboveAsciiAreHashedAsUnsignedBytes)
{
    // A sign-extended char would fold 0xffffffffffffff80 into the hash instead of 0x80.
    const unsigned char bytes[] = {0x80, 0xff};
    const std::uint64_t expected = (((FnvOffsetBasis ^ 0x80u) * FnvPrime) ^ 0xffu) * FnvPrime;
    EXPECT_EQ(Fnv1a(bytes, sizeof(bytes)), expected);
    EXPECT_EQ(Fnv1a("\x80\xff"), expected);
}

TEST(Fnv1aTest, ARunningHashContinuesAcrossPieces)
{
    EXPECT_EQ(Fnv1a(std::string_view("bar"), Fnv1a("foo")), Fnv1a("foobar"));

    // Values hashed one after another, as a state fingerprint does, equal one pass over their bytes.
    const float values[2] = {1.5f, -0.25f};
    unsigned char bytes[sizeof(values)];
    std::memcpy(bytes, values, sizeof(values));
    const std::uint64_t piecewise = Fnv1a(&values[1], sizeof(float), Fnv1a(&values[0], sizeof(float)));
    EXPECT_EQ(piecewise, Fnv1a(bytes, sizeof(bytes)));
    EXPECT_NE(piecewise, Fnv1a(&values[0], sizeof(float), Fnv1a(&values[1], sizeof(float))));
}
} // namespace
} // namespace Vemox
