#pragma once
// The dispatch interface: a component's members (methods and properties)
// found by name and called by id with variants, and the host's side of a
// component's events. Calls and events run on the thread that created the
// component.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/Variant.h"

namespace com {

using DispId = int32_t;

enum class InvokeKind { Method, PropertyGet, PropertyPut };

class Dispatch {
public:
    virtual ~Dispatch();

    // The id of a member name (first) and of that member's parameter names
    // (after it); names compare without case. ComException UnknownName
    // naming the first name that is not known.
    virtual std::vector<DispId> getIDsOfNames(const std::vector<std::string>& names) = 0;

    // Calls a member. Without namedArgs the arguments are positional; with
    // them, namedArgs[i] is the parameter id of args[i]. A property put takes
    // the new value as its one argument. Failures are ComExceptions; a
    // failure of the member itself is ComError::Exception with its reason.
    virtual Variant invoke(DispId member, InvokeKind kind, std::vector<Variant>& args,
                           const std::vector<DispId>& namedArgs) = 0;
};

// Where a component sends its events: the event's id and its arguments, in
// the order the event declares them (texts usually by reference).
class EventSink {
public:
    virtual ~EventSink();
    virtual void onEvent(DispId event, std::vector<Variant>& args) = 0;
};

}  // namespace com
