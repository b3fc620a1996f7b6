#pragma once

// The SDK's class factory, which the packaged subset of the VST3 SDK lacks: a list of
// registered classes that the host can describe and create, with the SDK's published names.

#include "pluginterfaces/base/ipluginbase.h"

#include <atomic>
#include <vector>

namespace Steinberg {

class CPluginFactory : public IPluginFactory3 {
public:
    explicit CPluginFactory(const PFactoryInfo& info);
    virtual ~CPluginFactory();

    CPluginFactory(const CPluginFactory&) = delete;
    CPluginFactory& operator=(const CPluginFactory&) = delete;

    // The texts are copied, truncated where necessary so that every field keeps a terminating
    // zero. False, and nothing registered, for a null info or create function or a class id that
    // is already registered.
    bool registerClass(const PClassInfo* info, FUnknown* (*createFunc)(void*),
                       void* context = nullptr);
    bool registerClass(const PClassInfo2* info, FUnknown* (*createFunc)(void*),
                       void* context = nullptr);
    bool isClassRegistered(const FUID& cid);
    void removeAllClasses();

    // FUnknown
    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) SMTG_OVERRIDE;
    uint32 PLUGIN_API addRef() SMTG_OVERRIDE;
    uint32 PLUGIN_API release() SMTG_OVERRIDE;

    // IPluginFactory
    tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) SMTG_OVERRIDE;
    int32 PLUGIN_API countClasses() SMTG_OVERRIDE;
    tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) SMTG_OVERRIDE;
    tresult PLUGIN_API createInstance(FIDString cid, FIDString _iid, void** obj) SMTG_OVERRIDE;

    // IPluginFactory2
    tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) SMTG_OVERRIDE;

    // IPluginFactory3
    tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) SMTG_OVERRIDE;
    tresult PLUGIN_API setHostContext(FUnknown* context) SMTG_OVERRIDE;

protected:
    struct ClassEntry {
        PClassInfo2 info;
        FUnknown* (*createFunc)(void*);
        void* context;
    };

    const ClassEntry* entryAt(int32 index) const;
    bool addClass(const PClassInfo2& info, FUnknown* (*createFunc)(void*), void* context);

    std::atomic<uint32> refCount{1};
    PFactoryInfo factoryInfo;
    std::vector<ClassEntry> classes;
};

} // namespace Steinberg
