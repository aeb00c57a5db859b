// The Schulte exercise's module class: the class the host's document names, made by the
// creator through this server's factory.
#pragma once
#include "module/ModuleBase.h"
#include "module/Quorvel_TLB.h"

class TQuorvel : public TModuleBase, public ITQuorvel {
protected:
    TModuleForm* CreateModuleForm() override;
    std::wstring GetReportText() override;  // the exercise has no report: ""
    bool GetCanPause() override;            // False
    void LoadConfigText(const std::wstring& Text) override;
    void* GetInterface(REFIID iid) override;
};
