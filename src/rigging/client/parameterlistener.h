#pragma once
// Callbacks a parameter makes on the thread that changed it.

namespace rigging {

class Parameter;

class IParameterListener {
public:
    virtual ~IParameterListener() = default;

    virtual void onParameterChanged(Parameter* sender) = 0;
    virtual void onBeginParameterEdit(Parameter* sender) = 0;
    virtual void onEndParameterEdit(Parameter* sender) = 0;
};

}  // namespace rigging
