// Wiring of the housekeeping algorithms to the file module's window.
#include "filemodule/HousekeepingLink.h"
#include "filemodule/FileModuleApp.h"
#include "filemodule/TForm1.h"
#include "win/Application.h"
#include "win/TPGPSetup.h"
#include "win/Win32Util.h"

namespace filemodule {

mw::Housekeeping housekeepingOf(TForm1& form, FileModuleApp& app) {
    mw::BrowserLink link;
    // The shared housekeeping names files as the ANSI calls do; the handlers checked that they can.
    link.selectedFile = [&form] { return mw::ansiPath(form.FileName()); };
    link.shownDirectory = [&form] { return mw::ansiPath(form.shownDirectory()); };
    link.pgpDirectory = [&app] { return app.setup().pgpDir(); };
    link.reread = [&form] { form.updateFileList(); };
    link.setJobFiles = [&form](const std::string& lockFile, const std::string& batchFile) {
        form.job.LockFile = lockFile;
        form.job.BatchFile = batchFile;
    };
    link.setToolShortName = [&form](const std::string& name) { form.job.ToolShortName = name; };
    link.setShortName = [&form](const std::string& name) { form.job.ShortName = name; };
    return mw::Housekeeping(app.context().platform(), app.context().interaction(), std::move(link));
}

} // namespace filemodule
