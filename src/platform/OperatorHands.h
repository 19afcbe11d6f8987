#pragma once
#include <string>

namespace zt {

// What the operator's hands do at the bench that no device interface can:
// re-plug a unit when the job asks for it, take a finished unit out and put
// the next one in. The simulated machine plays them, so that its units come
// and go by themselves; on a real PC a person does it and the backend has
// none.
//
// Threads: called from any unit's thread; a call returns at once and the
// hands act in their own time, as a person would.
class OperatorHands {
public:
    virtual ~OperatorHands() = default;
    // Re-plugs the unit at `port` ("" when the job was never bound to a
    // port: the first unit).
    virtual void Replug(const std::string& port) = 0;
    // A station is done with the unit at `port`: its result is shown. The
    // hands take it out and, where there are fresh units, later put the next
    // one in.
    virtual void TakeOut(const std::string& port) = 0;
};

}  // namespace zt
