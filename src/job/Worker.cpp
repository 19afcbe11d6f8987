#include "app/CZT51xxWriteEepromMPDlg.h"

// Placeholder: replaced by the real implementation.
namespace zt {

void CZT51xxWriteEepromMPDlg::WorkerThreadMain(CZT51xxWriteEepromMPDlg* dlg) {
    if (!dlg) return;
    dlg->RunWorker();
    dlg->workerExitEvent.Set();
}

void CZT51xxWriteEepromMPDlg::RunWorker() {
    while (workerRun.load()) WaitWhileIdle();
    workerFinished.store(1);
}

void CZT51xxWriteEepromMPDlg::RunWorkerStep() {}

void CZT51xxWriteEepromMPDlg::RunDeviceEventBlock() {}

void CZT51xxWriteEepromMPDlg::WaitWhileIdle() {
    std::unique_lock lock(wakeMutex);
    wakeCondition.wait(lock, [this] { return wakeRequested; });
    wakeRequested = false;
}

}  // namespace zt
