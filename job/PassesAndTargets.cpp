#include "job/PassesAndTargets.h"

#include "core/Log.h"
#include "core/Status.h"

#include <new>

namespace trv {

namespace {

template <class Map, class Make>
TRVStatus add(Map& map, const std::string& name, const Make& make, const char* kind)
{
    if (map.count(name)) {
        errorStream() << "A " << kind << " named " << name << " already exists" << std::endl;
        return Status::DuplicateName;
    }
    typename Map::mapped_type object;
    TRVStatus status = Status::Success;
    try {
        status = make(object);
    } catch (const std::bad_alloc&) {
        object.reset();
    }
    if (status != Status::Success)
        return status;
    if (!object) {
        errorStream() << "Failed to allocate " << kind << name << std::endl;
        return Status::MemoryAllocation;
    }
    map.emplace(name, std::move(object));
    return Status::Success;
}

}  // namespace

TRVStatus PassesAndTargets::addPass(const std::string& name, const MakePass& make)
{
    return add(passes_, name, make, "pass");
}

TRVStatus PassesAndTargets::addTarget(const std::string& name, const MakeTarget& make)
{
    return add(targets_, name, make, "target");
}

void PassesAndTargets::jobFinished()
{
    for (auto& entry : targets_)
        entry.second->jobFinished();
}

}  // namespace trv
