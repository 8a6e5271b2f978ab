// The objects a light links to (or an instance to its lights): a mode fixed by the first call,
// and the handles in the order they were added.
#pragma once

#include "core/Log.h"
#include "core/Status.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace trv {

template <class Handle, class Object>
class LightLinks {
public:
    explicit LightLinks(int32_t mode) : mode_(mode) {}

    // Mode 0 excludes the listed objects; any other value includes only them.
    int32_t mode() const { return mode_; }
    bool inclusive() const { return mode_ != 0; }
    const std::vector<Handle>& handles() const { return handles_; }

    // Creates the set in holder on the first call; later calls must use its mode. The handles
    // are appended as given.
    template <class Holder>
    [[nodiscard]] static TRVStatus add(Holder& holder, int32_t mode, const Handle* handles, int32_t count)
    {
        if (count > 0 && handles == nullptr) {
            errorStream() << "Parameter handles must not be NULL." << std::endl;
            return Status::InvalidParameter;
        }
        if (!holder)
            holder.reset(new LightLinks(mode));
        else if (holder->mode_ != mode) {
            errorStream() << "Tried to add light links of different type than previous calls" << std::endl;
            return Status::InvalidObjectState;
        }
        if (count <= 0)
            return Status::Success;
        if (holder->handles_.empty())
            holder->handles_.reserve(static_cast<size_t>(count));
        holder->handles_.insert(holder->handles_.end(), handles, handles + count);
        return Status::Success;
    }

private:
    int32_t mode_;
    std::vector<Handle> handles_;
};

}  // namespace trv
