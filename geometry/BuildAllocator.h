// Allocator of the builders' input arrays (mesh and texture data).
//
// Running out of memory while a mesh or texture is being given is part of the builders' contract
// (status 2, stored data kept consistent). The allocator can be told to refuse an allocation after a
// number of successful ones on the calling thread, so those paths can be exercised on purpose.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace trv {

namespace detail {
// Allocations left before refusals begin on this thread; negative means never refuse.
inline thread_local long buildAllocationsBeforeFailure = -1;
}  // namespace detail

// After `successfulAllocations` further builder allocations on this thread, every further one
// throws std::bad_alloc until this is called again with a negative value.
inline void failBuildAllocationAfter(long successfulAllocations)
{
    detail::buildAllocationsBeforeFailure = successfulAllocations;
}

template <class T>
struct BuildAllocator {
    using value_type = T;

    BuildAllocator() noexcept = default;
    template <class U>
    BuildAllocator(const BuildAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t n)
    {
        long& left = detail::buildAllocationsBeforeFailure;
        if (left == 0)
            throw std::bad_alloc();
        if (left > 0)
            --left;
        return std::allocator<T>().allocate(n);
    }

    void deallocate(T* p, std::size_t n) noexcept { std::allocator<T>().deallocate(p, n); }

    template <class U>
    bool operator==(const BuildAllocator<U>&) const noexcept
    {
        return true;
    }
    template <class U>
    bool operator!=(const BuildAllocator<U>&) const noexcept
    {
        return false;
    }
};

// A growable array of builder input.
template <class T>
using BuildArray = std::vector<T, BuildAllocator<T>>;

// Appends count elements with the strong guarantee: on std::bad_alloc or std::length_error the array
// is unchanged. Growth is geometric unless exact is set (then exactly the needed room).
template <class T>
void appendAll(BuildArray<T>& array, const T* data, std::size_t count, bool exact = false)
{
    if (count == 0)
        return;
    if (count > array.max_size() - array.size())
        throw std::length_error("array too long");
    const std::size_t needed = array.size() + count;
    if (needed > array.capacity()) {
        const std::size_t doubled =
            array.capacity() <= array.max_size() / 2 ? array.capacity() * 2 : array.max_size();
        if (exact || doubled <= needed) {
            array.reserve(needed);
        } else {
            try {
                array.reserve(doubled);
            } catch (const std::bad_alloc&) {
                array.reserve(needed);  // the exact room may still be there
            }
        }
    }
    array.insert(array.end(), data, data + count);
}

}  // namespace trv
