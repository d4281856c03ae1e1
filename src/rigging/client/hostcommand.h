#pragma once
// What the client may ask of its host; each binding implements it and owns the object.

#include "rigging/client/daw.h"

namespace rigging {

class IHostCommand {
public:
    virtual ~IHostCommand() = default;

    virtual void beginParamEdit(int paramIndex) = 0;
    virtual void paramAutomate(int paramIndex, float normalizedValue) = 0;
    virtual void endParamEdit(int paramIndex) = 0;
    virtual bool requestResize(int width, int height) = 0;
    virtual DAW getDAW() = 0;
};

}  // namespace rigging
