#include "entry/Parameters.h"

FilterParameters* ParametersOf(const FilterRecord* filter) {
    if (filter == nullptr || filter->parameters == nullptr) return nullptr;
    return reinterpret_cast<FilterParameters*>(*filter->parameters);
}
