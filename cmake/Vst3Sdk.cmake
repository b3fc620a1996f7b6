# The packaged subset of the VST3 SDK, compiled once into a static library. It is third-party
# code: its headers are included as system headers and its warnings are not ours to fix.
set(VST3_SDK_ROOT "/usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK"
    CACHE PATH "Root of the VST3 SDK sources")
if(NOT EXISTS "${VST3_SDK_ROOT}/pluginterfaces/base/funknown.h")
    message(FATAL_ERROR "VST3 SDK not found at ${VST3_SDK_ROOT} (Debian package juce-modules-source-data)")
endif()

set(_sdk_sources
    pluginterfaces/base/coreiids.cpp
    pluginterfaces/base/funknown.cpp
    pluginterfaces/base/ustring.cpp
    pluginterfaces/base/conststringtable.cpp
    base/source/baseiids.cpp
    base/source/fobject.cpp
    base/source/fstring.cpp
    base/source/fbuffer.cpp
    base/source/fstreamer.cpp
    base/source/updatehandler.cpp
    base/source/fdebug.cpp
    base/thread/source/flock.cpp
    public.sdk/source/common/memorystream.cpp
    public.sdk/source/common/pluginview.cpp
    public.sdk/source/vst/hosting/hostclasses.cpp
    public.sdk/source/vst/hosting/pluginterfacesupport.cpp
    public.sdk/source/vst/vstbus.cpp
    public.sdk/source/vst/vstcomponent.cpp
    public.sdk/source/vst/vstcomponentbase.cpp
    public.sdk/source/vst/vsteditcontroller.cpp
    public.sdk/source/vst/vstinitiids.cpp
    public.sdk/source/vst/vstparameters.cpp
    public.sdk/source/vst/vstpresetfile.cpp)
list(TRANSFORM _sdk_sources PREPEND "${VST3_SDK_ROOT}/")

add_library(vst3sdk STATIC ${_sdk_sources})
target_include_directories(vst3sdk SYSTEM PUBLIC "${VST3_SDK_ROOT}")
target_compile_definitions(vst3sdk PUBLIC RELEASE=1)
target_compile_options(vst3sdk PRIVATE -w)
set_target_properties(vst3sdk PROPERTIES POSITION_INDEPENDENT_CODE ON)
if(WIN32)
    target_link_libraries(vst3sdk PUBLIC ole32)
endif()
