#include "loopcost/model/cpucontext.h"

CPUContext::CPUContext(float addCost, float multiplyCost) : addCost(addCost), multiplyCost(multiplyCost) {}

CPUContext::CPUContext(const CPUContext& other) = default;

CPUContext::~CPUContext() = default;

float CPUContext::getCost(int operation) const {
    switch (operation) {
    case 0: return addCost;
    case 1: return multiplyCost;
    default: return 0.0f;
    }
}
