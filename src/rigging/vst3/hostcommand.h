#pragma once
// What the client asks of a VST3 host: edit gestures through the component handler.

#include "rigging/client/hostcommand.h"

namespace rigging {

class VST3Client;

class VST3HostCommand final : public IHostCommand {
public:
    explicit VST3HostCommand(VST3Client* owner) noexcept : owner_(owner) {}

    // Editor threads: forwarded to the host's component handler with the parameter index as
    // id; nothing happens while the host has given no handler. Never from the audio thread.
    void beginParamEdit(int paramIndex) override;
    void paramAutomate(int paramIndex, float normalizedValue) override;
    void endParamEdit(int paramIndex) override;
    bool requestResize(int width, int height) override;
    // Main thread.
    DAW getDAW() override;

private:
    VST3Client* owner_;
};

}  // namespace rigging
