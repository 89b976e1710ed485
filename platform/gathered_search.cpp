#include <algorithm>

#include "platform/directory_search.h"
#include "platform/file_names.h"

namespace kestrin::platform {

std::optional<std::string> GatheredSearch::first(const std::string& pathAndPattern) {
    m_names.clear();
    m_next = 0;
    if (!gather(pathAndPattern, m_names)) {
        m_names.clear();
        return std::nullopt;
    }
    std::sort(m_names.begin(), m_names.end(), caseInsensitiveLess);
    return next();
}

std::string GatheredSearch::next() {
    return m_next < m_names.size() ? std::move(m_names[m_next++]) : std::string();
}

}  // namespace kestrin::platform
