// The host's scripting descriptors. A descriptor handle holds a count and
// then (key, type, value) triples; only integer values are kept. The
// procedures that allocate answer out of memory rather than throw
// (testhost/CallbackGuard.h).
#include "testhost/HostCallbacks.h"

#include "testhost/CallbackGuard.h"

#include <cstring>
#include <new>

namespace {

struct ReadToken {
    std::vector<ScriptItem> items;
    size_t next;
    ScriptItem current;
    DescriptorKeyID* keys;
};

struct WriteToken {
    std::vector<ScriptItem> items;
};

std::vector<ScriptItem> Unpack(PIDescriptorHandle descriptor) {
    std::vector<ScriptItem> items;
    if (descriptor == nullptr || *descriptor == nullptr) return items;
    int32 count;
    memcpy(&count, *descriptor, 4);
    for (int32 i = 0; i < count; ++i) {
        ScriptItem item;
        memcpy(&item, *descriptor + 4 + i * sizeof(ScriptItem), sizeof(ScriptItem));
        items.push_back(item);
    }
    return items;
}

PIDescriptorHandle Pack(const std::vector<ScriptItem>& items) {
    const int32 count = static_cast<int32>(items.size());
    Handle handle = HostNewHandle(static_cast<int32>(4 + items.size() * sizeof(ScriptItem)));
    if (handle == nullptr) return nullptr;
    memcpy(*handle, &count, 4);
    if (count > 0) memcpy(*handle + 4, items.data(), items.size() * sizeof(ScriptItem));
    return handle;
}

// No token (the plug-in reads nothing) when there is no memory for one.
PIReadDescriptor PI_CDECL OpenRead(PIDescriptorHandle descriptor, DescriptorKeyID* keys) noexcept {
    ReadToken* token = nullptr;
    AnswerOutOfMemory(ActiveHostSession(), [&] {
        token = new (std::nothrow) ReadToken{Unpack(descriptor), 0, ScriptItem{0, 0, 0}, keys};
        return OSErr(noErr);
    });
    return token;
}

OSErr PI_CDECL CloseRead(PIReadDescriptor opaque) {
    ReadToken* token = static_cast<ReadToken*>(opaque);
    OSErr code = noErr;
    for (DescriptorKeyID* key = token->keys; key != nullptr && *key != 0; ++key) {
        if (*key != typeNull) code = errAEParamMissed;  // asked for and never found
    }
    delete token;
    return code;
}

Boolean PI_CDECL GetKey(PIReadDescriptor opaque, DescriptorKeyID* key, DescriptorTypeID* type,
                        int32* flags) {
    ReadToken* token = static_cast<ReadToken*>(opaque);
    if (token->next >= token->items.size()) return 0;
    token->current = token->items[token->next++];
    *key = token->current.key;
    *type = token->current.type;
    *flags = 0;
    for (DescriptorKeyID* listed = token->keys; listed != nullptr && *listed != 0; ++listed) {
        if (*listed == token->current.key) *listed = typeNull;  // as hosts mark found keys
    }
    return 1;
}

OSErr PI_CDECL GetInteger(PIReadDescriptor opaque, int32* value) {
    ReadToken* token = static_cast<ReadToken*>(opaque);
    *value = token->current.value;
    return token->current.type == typeInteger ? noErr : -50;
}

OSErr PI_CDECL UnusedRead(PIReadDescriptor, void*) { return -50; }

PIWriteDescriptor PI_CDECL OpenWrite(void) { return new (std::nothrow) WriteToken(); }

OSErr PI_CDECL CloseWrite(PIWriteDescriptor opaque, PIDescriptorHandle* out) noexcept {
    WriteToken* token = static_cast<WriteToken*>(opaque);
    *out = nullptr;
    const OSErr code = AnswerOutOfMemory(ActiveHostSession(), [&] {
        if (HostSession* session = ActiveHostSession()) session->scriptRecorded = token->items;
        *out = Pack(token->items);
        return *out != nullptr ? OSErr(noErr) : OSErr(memFullErr);
    });
    delete token;
    return code;
}

OSErr PI_CDECL PutInteger(PIWriteDescriptor opaque, DescriptorKeyID key, int32 value) noexcept {
    return AnswerOutOfMemory(ActiveHostSession(), [&] {
        static_cast<WriteToken*>(opaque)->items.push_back(ScriptItem{key, typeInteger, value});
        return OSErr(noErr);
    });
}

OSErr PI_CDECL UnusedWrite(PIWriteDescriptor, DescriptorKeyID) { return -50; }

}  // namespace

void SetScriptDescriptor(HostSession* session, const std::vector<ScriptItem>& items) {
    session->scriptIn = items;
    PIDescriptorParameters& parameters = session->descriptorParameters;
    if (parameters.descriptor != nullptr) HostDisposeHandle(parameters.descriptor);
    parameters.descriptor = Pack(items);
    session->scriptGiven = parameters.descriptor;
}

void InstallDescriptorSuites(HostSession* session) {
    ReadDescriptorProcs& reader = session->readProcs;
    WriteDescriptorProcs& writer = session->writeProcs;
    memset(&reader, 0, sizeof(reader));
    memset(&writer, 0, sizeof(writer));
    reader.readDescriptorProcsVersion = kCurrentReadDescriptorProcsVersion;
    reader.numReadDescriptorProcs = kCurrentReadDescriptorProcsCount;
    reader.openReadDescriptorProc = OpenRead;
    reader.closeReadDescriptorProc = CloseRead;
    reader.getKeyProc = GetKey;
    reader.getIntegerProc = GetInteger;
    void* unusedRead = reinterpret_cast<void*>(&UnusedRead);
    ReadDescriptorProcSlot* readSlots[] = {
        &reader.getFloatProc,       &reader.getUnitFloatProc,       &reader.getBooleanProc,
        &reader.getTextProc,        &reader.getAliasProc,           &reader.getEnumeratedProc,
        &reader.getClassProc,       &reader.getSimpleReferenceProc, &reader.getObjectProc,
        &reader.getCountProc,       &reader.getStringProc,          &reader.getPinnedIntegerProc,
        &reader.getPinnedFloatProc, &reader.getPinnedUnitFloatProc,
    };
    for (ReadDescriptorProcSlot* slot : readSlots) *slot = unusedRead;

    writer.writeDescriptorProcsVersion = kCurrentWriteDescriptorProcsVersion;
    writer.numWriteDescriptorProcs = kCurrentWriteDescriptorProcsCount;
    writer.openWriteDescriptorProc = OpenWrite;
    writer.closeWriteDescriptorProc = CloseWrite;
    writer.putIntegerProc = PutInteger;
    void* unusedWrite = reinterpret_cast<void*>(&UnusedWrite);
    WriteDescriptorProcSlot* writeSlots[] = {
        &writer.putFloatProc,        &writer.putUnitFloatProc,       &writer.putBooleanProc,
        &writer.putTextProc,         &writer.putAliasProc,           &writer.putEnumeratedProc,
        &writer.putClassProc,        &writer.putSimpleReferenceProc, &writer.putObjectProc,
        &writer.putCountProc,        &writer.putStringProc,          &writer.putScopedClassProc,
        &writer.putScopedObjectProc,
    };
    for (WriteDescriptorProcSlot* slot : writeSlots) *slot = unusedWrite;

    PIDescriptorParameters& parameters = session->descriptorParameters;
    memset(&parameters, 0, sizeof(parameters));
    parameters.descriptorParametersVersion = kCurrentDescriptorParametersVersion;
    parameters.playInfo = session->settings.playInfo;
    parameters.recordInfo = plugInDialogOptional;
    parameters.readDescriptorProcs = &reader;
    parameters.writeDescriptorProcs = &writer;
    session->record.descriptorParameters =
        session->settings.haveDescriptorSuites ? &parameters : nullptr;
}
