#include "entry/Scripting.h"

#include "entry/Parameters.h"
#include "host/Handles.h"

bool DescriptorSuitesAvailable(const PIDescriptorParameters* descriptorParameters) {
    if (descriptorParameters == nullptr) return false;
    if (descriptorParameters->descriptorParametersVersion != kCurrentDescriptorParametersVersion)
        return false;
    const ReadDescriptorProcs* reader = descriptorParameters->readDescriptorProcs;
    const WriteDescriptorProcs* writer = descriptorParameters->writeDescriptorProcs;
    if (reader == nullptr || writer == nullptr) return false;
    if (reader->readDescriptorProcsVersion != kCurrentReadDescriptorProcsVersion) return false;
    if (static_cast<uint16>(reader->numReadDescriptorProcs) <
        static_cast<uint16>(kCurrentReadDescriptorProcsCount))
        return false;
    if (writer->writeDescriptorProcsVersion != kCurrentWriteDescriptorProcsVersion) return false;
    if (static_cast<uint16>(writer->numWriteDescriptorProcs) <
        static_cast<uint16>(kCurrentWriteDescriptorProcsCount))
        return false;
    // All 18 read procedures must be there, not only the four we call.
    const void* const readProcs[] = {
        reinterpret_cast<const void*>(reader->openReadDescriptorProc),
        reinterpret_cast<const void*>(reader->closeReadDescriptorProc),
        reinterpret_cast<const void*>(reader->getKeyProc),
        reinterpret_cast<const void*>(reader->getIntegerProc),
        reader->getFloatProc,
        reader->getUnitFloatProc,
        reader->getBooleanProc,
        reader->getTextProc,
        reader->getAliasProc,
        reader->getEnumeratedProc,
        reader->getClassProc,
        reader->getSimpleReferenceProc,
        reader->getObjectProc,
        reader->getCountProc,
        reader->getStringProc,
        reader->getPinnedIntegerProc,
        reader->getPinnedFloatProc,
        reader->getPinnedUnitFloatProc,
    };
    for (const void* proc : readProcs) {
        if (proc == nullptr) return false;
    }
    // The three write procedures we call must be there too: a call through
    // a null one would crash the host.
    if (writer->openWriteDescriptorProc == nullptr || writer->closeWriteDescriptorProc == nullptr ||
        writer->putIntegerProc == nullptr)
        return false;
    return true;
}

OSErr CloseDescriptorReader(PIDescriptorParameters* descriptorParameters,
                            const HandleProcs* handleProcs, PIReadDescriptor* token) {
    OSErr code = descriptorParameters->readDescriptorProcs->closeReadDescriptorProc(*token);
    DisposeHostHandle(handleProcs, descriptorParameters->descriptor);
    descriptorParameters->descriptor = nullptr;
    *token = nullptr;
    return code;
}

OSErr CloseDescriptorWriter(PIDescriptorParameters* descriptorParameters,
                            const HandleProcs* handleProcs, PIWriteDescriptor* token) {
    if (descriptorParameters->descriptor != nullptr) {
        DisposeHostHandle(handleProcs, descriptorParameters->descriptor);
    }
    PIDescriptorHandle written = nullptr;
    descriptorParameters->writeDescriptorProcs->closeWriteDescriptorProc(*token, &written);
    descriptorParameters->descriptor = written;
    descriptorParameters->recordInfo = plugInDialogOptional;
    *token = nullptr;
    return noErr;
}

OSErr ReadScriptParameters(FilterInstance* instance) {
    FilterRecord* filter = instance->filter;
    PIDescriptorParameters* descriptorParameters = filter->descriptorParameters;
    if (!DescriptorSuitesAvailable(descriptorParameters)) return noErr;
    // The host may overwrite the list's entries as it finds them, so it
    // lives in writable memory.
    DescriptorKeyID keys[2] = {keyAmount, 0};
    const ReadDescriptorProcs* reader = descriptorParameters->readDescriptorProcs;
    PIReadDescriptor token = reader->openReadDescriptorProc(descriptorParameters->descriptor, keys);
    OSErr code = noErr;
    if (token != nullptr) {
        DescriptorKeyID key = 0;
        DescriptorTypeID type = 0;
        int32 flags = 0;
        while ((reader->getKeyProc(token, &key, &type, &flags) & 0xFF) != 0) {
            if (key != keyAmount) continue;
            int32 value = 0;
            reader->getIntegerProc(token, &value);
            FilterParameters* parameters = ParametersOf(filter);
            if (parameters != nullptr) parameters->Amount = static_cast<int16>(value & 0xFFFF);
        }
        code = CloseDescriptorReader(descriptorParameters, filter->handleProcs, &token);
        if (code != noErr && code != errAEParamMissed) *instance->result = code;
    }
    instance->showDialog = descriptorParameters->playInfo == plugInDialogDisplay ? 1 : 0;
    return code;
}

OSErr WriteScriptParameters(FilterInstance* instance) {
    FilterRecord* filter = instance->filter;
    PIDescriptorParameters* descriptorParameters = filter->descriptorParameters;
    if (!DescriptorSuitesAvailable(descriptorParameters)) return noErr;
    const FilterParameters* parameters = ParametersOf(filter);
    if (parameters == nullptr) return noErr;  // nothing to record
    const WriteDescriptorProcs* writer = descriptorParameters->writeDescriptorProcs;
    PIWriteDescriptor token = writer->openWriteDescriptorProc();
    if (token == nullptr) return noErr;
    writer->putIntegerProc(token, keyAmount, static_cast<int32>(parameters->Amount));
    return CloseDescriptorWriter(descriptorParameters, filter->handleProcs, &token);
}
