// The edit controller and unit information of VST3Client (host UI thread), and the preset
// bank it shares with the audio thread.

#include <cstdio>
#include <cstring>

#include "rigging/core/fpcontrol.h"
#include "rigging/vst3/client.h"

namespace rigging {

using namespace vst3;

// ---- Presets

int VST3Client::presetIndexFromNormalized(double v) const noexcept {
    if (!(v > 0)) return 0;  // NaN as well
    double index = (maxPresetIndex_ + 1) * v;
    return index >= maxPresetIndex_ ? maxPresetIndex_ : static_cast<int>(index);
}

void VST3Client::loadPresetBlocking(int index) noexcept {
    RIGGING_THREAD(client_->threads(), main);
    MutexLock lock(presetMutex_);
    pendingPreset_.store(-1);  // this newer choice replaces one the audio thread still holds
    client_->presetBank().loadPresetFromHost(index);
}

void VST3Client::requestPresetFromAudio(int index) noexcept {
    RIGGING_THREAD(client_->threads(), audio);
    if (presetMutex_.tryLock()) {
        pendingPreset_.store(-1);
        client_->presetBank().loadPresetFromHost(index);
        presetMutex_.unlock();
    } else {
        pendingPreset_.store(index);
    }
}

void VST3Client::applyPendingPreset() noexcept {
    RIGGING_THREAD(client_->threads(), audio);
    if (pendingPreset_.load() < 0 || !presetMutex_.tryLock()) return;
    int index = pendingPreset_.exchange(-1);
    if (index >= 0) client_->presetBank().loadPresetFromHost(index);
    presetMutex_.unlock();
}

// ---- Parameters

int32 VST3Client::getParameterCount() {
    RIGGING_THREAD(client_->threads(), main);
    return client_->numParams() + 2;
}

tresult VST3Client::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
    RIGGING_THREAD(client_->threads(), main);
    if (static_cast<uint32>(paramIndex) >= static_cast<uint32>(getParameterCount()))
        return kResultFalse;
    std::memset(&info, 0, sizeof info);
    info.unitId = kRootUnitId;
    if (paramIndex == 0) {
        info.id = kBypassParamId;
        str8ToStr16(info.title, "Bypass", 128);
        str8ToStr16(info.shortTitle, "Byp", 128);
        info.stepCount = 1;
        info.flags =
            ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass;
    } else if (paramIndex == 1) {
        info.id = kPresetParamId;
        str8ToStr16(info.title, "Preset", 128);
        str8ToStr16(info.shortTitle, "Pre", 128);
        info.stepCount = maxPresetIndex_;
        info.flags = ParameterInfo::kIsProgramChange;
    } else {
        Parameter* p = client_->param(paramIndex - 2);
        info.id = static_cast<ParamID>(paramIndex - 2);
        str8ToStr16(info.title, p->name(), 128);
        str8ToStr16(info.shortTitle, p->name(), 128);
        str8ToStr16(info.units, p->label(), 128);
        info.defaultNormalizedValue = p->getNormalizedDefault();
        info.flags = p->isAutomatable() ? ParameterInfo::kCanAutomate : 0;
    }
    return kResultOk;
}

tresult VST3Client::getParamStringByValue(ParamID id, ParamValue v, String128 string) {
    RIGGING_THREAD(client_->threads(), main);
    const bool hostParam = id == kPresetParamId || id == kBypassParamId;
    // A client id without a string is as unknown as an id without a parameter.
    if (string == nullptr) return hostParam ? kInvalidArgument : kResultFalse;
    FPScope fp;
    if (id == kPresetParamId) {
        PresetBank& bank = client_->presetBank();
        if (bank.numPresets() > 0)
            str8ToStr16(string, bank.preset(presetIndexFromNormalized(v))->name(), 128);
        else
            str8ToStr16(string, "None", 128);
    } else if (id == kBypassParamId) {
        str8ToStr16(string, v >= 0.5 ? "Yes" : "No", 128);
    } else if (id < static_cast<ParamID>(client_->numParams())) {
        char text[128] = {};
        client_->param(static_cast<int>(id))->stringFromNormalizedValue(v, text, sizeof text);
        str8ToStr16(string, text, 128);
    } else {
        return kResultFalse;
    }
    return kResultOk;
}

tresult VST3Client::getParamValueByString(ParamID id, TChar* string, ParamValue& v) {
    RIGGING_THREAD(client_->threads(), main);
    if (string == nullptr) return kInvalidArgument;
    if (id >= static_cast<ParamID>(client_->numParams())) return kResultFalse;
    FPScope fp;
    char text[129];
    str16ToStr8(text, string, sizeof text);
    double normalized;
    if (!client_->param(static_cast<int>(id))->normalizedValueFromString(text, normalized))
        return kResultFalse;
    v = normalized;
    return kResultOk;
}

ParamValue VST3Client::normalizedParamToPlain(ParamID id, ParamValue v) {
    RIGGING_THREAD(client_->threads(), main);
    if (id == kPresetParamId) return presetIndexFromNormalized(v);
    if (id == kBypassParamId) return v >= 0.5 ? 1 : 0;
    if (id < static_cast<ParamID>(client_->numParams())) return v;
    return 0;
}

ParamValue VST3Client::plainParamToNormalized(ParamID id, ParamValue plain) {
    RIGGING_THREAD(client_->threads(), main);
    if (id == kPresetParamId) return maxPresetIndex_ == 0 ? 0 : plain / maxPresetIndex_;
    if (id == kBypassParamId || id < static_cast<ParamID>(client_->numParams())) return plain;
    return 0;
}

ParamValue VST3Client::getParamNormalized(ParamID id) {
    RIGGING_THREAD(client_->threads(), main);
    if (id == kPresetParamId)
        return maxPresetIndex_ == 0
                   ? 0
                   : static_cast<double>(client_->presetBank().currentPresetIndex()) /
                         maxPresetIndex_;
    if (id == kBypassParamId) return bypassed_.load() ? 1 : 0;
    if (id < static_cast<ParamID>(client_->numParams()))
        return client_->param(static_cast<int>(id))->getForHost();
    return 0;
}

tresult VST3Client::setParamNormalized(ParamID id, ParamValue v) {
    RIGGING_THREAD(client_->threads(), main);
    FPScope fp;
    if (id == kPresetParamId) {
        if (client_->presetBank().numPresets() > 0)
            loadPresetBlocking(presetIndexFromNormalized(v));
    } else if (id == kBypassParamId) {
        bypassed_.store(v >= 0.5);
    } else if (id < static_cast<ParamID>(client_->numParams())) {
        client_->param(static_cast<int>(id))->setFromHost(v);
    } else {
        return kResultFalse;
    }
    return kResultOk;
}

tresult VST3Client::setComponentHandler(IComponentHandler* handler) {
    RIGGING_THREAD(client_->threads(), main);
    if (handler == componentHandler_.load()) return kResultOk;
    if (handler) handler->addRef();
    if (IComponentHandler* old = componentHandler_.exchange(handler)) old->release();
    return kResultOk;
}

IPlugView* VST3Client::createView(FIDString name) {
    RIGGING_THREAD(client_->threads(), main);
    if (name == nullptr || std::strcmp(name, "editor") != 0 || !client_->hasGUI()) return nullptr;
    return mallocNew<RiggingView>(this);
}

// ---- Units and the program list

int32 VST3Client::getUnitCount() {
    RIGGING_THREAD(client_->threads(), main);
    return 1;
}

tresult VST3Client::getUnitInfo(int32 unitIndex, UnitInfo& info) {
    RIGGING_THREAD(client_->threads(), main);
    if (unitIndex != 0) return kResultFalse;
    info.id = kRootUnitId;
    info.parentUnitId = kNoParentUnitId;
    str8ToStr16(info.name, "Root Unit", 128);
    info.programListId = kProgramListId;
    return kResultOk;
}

int32 VST3Client::getProgramListCount() {
    RIGGING_THREAD(client_->threads(), main);
    return 1;
}

tresult VST3Client::getProgramListInfo(int32, ProgramListInfo& info) {
    RIGGING_THREAD(client_->threads(), main);
    info.id = kProgramListId;
    str8ToStr16(info.name, "Factory Presets", 128);
    info.programCount = client_->presetBank().numPresets();
    return kResultOk;
}

tresult VST3Client::getProgramName(ProgramListID listId, int32 programIndex, String128 name) {
    RIGGING_THREAD(client_->threads(), main);
    if (name == nullptr) return kInvalidArgument;
    PresetBank& bank = client_->presetBank();
    if (listId != kProgramListId || !bank.isValidPresetIndex(programIndex)) return kResultFalse;
    str8ToStr16(name, bank.preset(programIndex)->name(), 128);
    return kResultOk;
}

tresult VST3Client::getProgramInfo(ProgramListID, int32, vst3::CString, String128) {
    RIGGING_THREAD(client_->threads(), main);
    return kNotImplemented;
}

tresult VST3Client::hasProgramPitchNames(ProgramListID, int32) {
    RIGGING_THREAD(client_->threads(), main);
    return kResultFalse;
}

tresult VST3Client::getProgramPitchName(ProgramListID, int32, int16, String128) {
    RIGGING_THREAD(client_->threads(), main);
    return kResultFalse;
}

UnitID VST3Client::getSelectedUnit() {
    RIGGING_THREAD(client_->threads(), main);
    return kRootUnitId;
}

tresult VST3Client::selectUnit(UnitID unitId) {
    RIGGING_THREAD(client_->threads(), main);
    return unitId == kRootUnitId ? kResultOk : kResultFalse;
}

tresult VST3Client::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID& unitId) {
    RIGGING_THREAD(client_->threads(), main);
    unitId = kRootUnitId;
    return kResultOk;
}

tresult VST3Client::setUnitProgramData(int32, int32, IBStream*) {
    RIGGING_THREAD(client_->threads(), main);
    return kNotImplemented;
}

// ---- The controller's interface object forwards to its owner

tresult VST3Client::EditController::queryInterface(const TUID iid, void** obj) {
    return owner_->queryInterface(iid, obj);
}
uint32 VST3Client::EditController::addRef() {
    return owner_->addRef();
}
uint32 VST3Client::EditController::release() {
    return owner_->release();
}
tresult VST3Client::EditController::initialize(FUnknown* context) {
    return owner_->initialize(context);
}
tresult VST3Client::EditController::terminate() {
    return owner_->terminate();
}
// Hosts re-read the parameters only after the component state is accepted; otherwise they keep
// their old values and later write them back.
tresult VST3Client::EditController::setComponentState(IBStream* state) {
    RIGGING_THREAD(owner_->client_->threads(), main);
    return owner_->loadState(state, false);
}
// The component's getState and setState save and restore everything.
tresult VST3Client::EditController::setState(IBStream*) {
    RIGGING_THREAD(owner_->client_->threads(), main);
    return kNotImplemented;
}
tresult VST3Client::EditController::getState(IBStream*) {
    RIGGING_THREAD(owner_->client_->threads(), main);
    return kNotImplemented;
}
int32 VST3Client::EditController::getParameterCount() {
    return owner_->getParameterCount();
}
tresult VST3Client::EditController::getParameterInfo(int32 index, ParameterInfo& info) {
    return owner_->getParameterInfo(index, info);
}
tresult VST3Client::EditController::getParamStringByValue(ParamID id, ParamValue v, String128 s) {
    return owner_->getParamStringByValue(id, v, s);
}
tresult VST3Client::EditController::getParamValueByString(ParamID id, TChar* s, ParamValue& v) {
    return owner_->getParamValueByString(id, s, v);
}
ParamValue VST3Client::EditController::normalizedParamToPlain(ParamID id, ParamValue v) {
    return owner_->normalizedParamToPlain(id, v);
}
ParamValue VST3Client::EditController::plainParamToNormalized(ParamID id, ParamValue p) {
    return owner_->plainParamToNormalized(id, p);
}
ParamValue VST3Client::EditController::getParamNormalized(ParamID id) {
    return owner_->getParamNormalized(id);
}
tresult VST3Client::EditController::setParamNormalized(ParamID id, ParamValue v) {
    return owner_->setParamNormalized(id, v);
}
tresult VST3Client::EditController::setComponentHandler(IComponentHandler* handler) {
    return owner_->setComponentHandler(handler);
}
IPlugView* VST3Client::EditController::createView(FIDString name) {
    return owner_->createView(name);
}

}  // namespace rigging
