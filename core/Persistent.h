#pragma once

#include <QString>

class QDataStream;

// Base of the objects that copy through Assign/AssignTo and stream themselves.
// Assign accepts only an object of the same class; each class raises its own
// "<Class>.Assign Source isnot valid!" / "<Class>.AssignTo Dest isnot valid!".
class TPersistent
{
public:
    virtual ~TPersistent() = default;

    virtual void Assign(const TPersistent &source) = 0;
    virtual void AssignTo(TPersistent &destination) const = 0;

protected:
    TPersistent() = default;
    TPersistent(const TPersistent &) = default;
    TPersistent &operator=(const TPersistent &) = default;
};
