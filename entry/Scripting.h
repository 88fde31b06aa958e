// Amount through the host's scripting descriptors: read on Start, written
// on Finish, under the key 'Amnt'.
#pragma once

#include "entry/FilterInstance.h"

bool DescriptorSuitesAvailable(const PIDescriptorParameters* descriptorParameters);
OSErr ReadScriptParameters(FilterInstance* instance);
OSErr WriteScriptParameters(FilterInstance* instance);
OSErr CloseDescriptorReader(PIDescriptorParameters* descriptorParameters,
                            const HandleProcs* handleProcs, PIReadDescriptor* token);
OSErr CloseDescriptorWriter(PIDescriptorParameters* descriptorParameters,
                            const HandleProcs* handleProcs, PIWriteDescriptor* token);
