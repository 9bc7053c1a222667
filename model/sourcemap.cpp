#include "sourcemap.h"

void SourceMap::clear() {
    spans.clear();
    whole = Span{-1, -1};
}

std::size_t SourceMap::beginStatement(std::streamoff at) {
    spans.push_back(Span{at, -1});
    return spans.size() - 1;
}
