#pragma once
// A site navigator whose page logic is a row of the site table.

#include "navigator/impl/SiteKit.h"
#include "navigator/impl/SiteNavigator.h"

namespace navigator::impl {

class TableNavigator : public SiteNavigator {
public:
    explicit TableNavigator(const SiteRow& row) : SiteNavigator(row.key), m_row(row) {}

    std::string getInitialURL() override;
    void onDocumentCompleteImpl(const std::string& url) override { runRow(m_row, *this, url); }

private:
    const SiteRow& m_row;
};

}  // namespace navigator::impl
