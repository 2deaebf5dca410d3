#include "thread_start.h"

namespace thread_start {
namespace {

Hook& Current() {
    static Hook hook;
    return hook;
}

}  // namespace

Hook SetHook(Hook hook) {
    return std::exchange(Current(), std::move(hook));
}

void BeforeStart() {
    if (const Hook& hook = Current()) hook();
}

}  // namespace thread_start
