// SPDX-License-Identifier: MIT
#pragma once
// The file list's model. Each name shows as escapeForDisplay (common/text.h) writes it, so that a
// right-to-left override or a zero-width character cannot pass for another name; the exact name
// stays under kExactNameRole, and a pick copies that one.

#include <QStringListModel>

namespace kestrin::window {

inline constexpr int kExactNameRole = Qt::UserRole;

class FileListModel final : public QStringListModel {
public:
    // Replaces every entry in one model reset; shown[i] is how exact[i] is displayed.
    void setNames(QStringList exact, const QStringList& shown) {
        m_exact = std::move(exact);
        setStringList(shown);
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != kExactNameRole) {
            return QStringListModel::data(index, role);
        }
        const bool inside = index.isValid() && index.row() < m_exact.size();
        return inside ? QVariant(m_exact.at(index.row())) : QVariant();
    }

private:
    QStringList m_exact;
};

}  // namespace kestrin::window
