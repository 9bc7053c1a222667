#ifndef LOOPCOST_CPUCONTEXT_H
#define LOOPCOST_CPUCONTEXT_H

// The cost model: what one addition and one multiplication cost on the model
// CPU. A small value, copied into every cost computation.
class CPUContext {
public:
    CPUContext(float addCost, float multiplyCost);
    CPUContext(const CPUContext& other);
    CPUContext& operator=(const CPUContext& other) = default;
    virtual ~CPUContext();

    // 0 gives the addition cost, 1 the multiplication cost, anything else 0.
    float getCost(int operation) const;

private:
    float addCost;       // cost of one '+'
    float multiplyCost;  // cost of one '*'
};

#endif
