// The 64-bit FNV-1a hash over bytes: the framework's one copy, used for blackboard names and for
// fingerprints of simulation state. A running hash is continued by passing it back in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Vemox
{
constexpr std::uint64_t FnvOffsetBasis = 14695981039346656037ull;
constexpr std::uint64_t FnvPrime = 1099511628211ull;

/// FNV-1a of the characters of text, continuing from hash (the offset basis starts a new hash).
constexpr std::uint64_t Fnv1a(std::string_view text, std::uint64_t hash = FnvOffsetBasis)
{
    for (const char c : text)
    {
        hash ^= static_cast<unsigned char>(c);
        hash *= FnvPrime;
    }
    return hash;
}

/// FNV-1a of size bytes at data (the object representation, so in the platform's byte order),
/// continuing from hash. Not constexpr: a pointer to void cannot be read in a constant expression.
inline std::uint64_t Fnv1a(const void* data, std::size_t size, std::uint64_t hash = FnvOffsetBasis)
{
    return Fnv1a(std::string_view(static_cast<const char*>(data), size), hash);
}

/// Fnv1a("text", hash) would silently take the byte overload and read hash bytes: say which one is
/// meant, Fnv1a(std::string_view(pText), hash) or Fnv1a(static_cast<const void*>(pBytes), size).
std::uint64_t Fnv1a(const char* text, std::size_t hashOrSize) = delete;
} // namespace Vemox
