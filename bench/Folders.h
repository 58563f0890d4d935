#pragma once

/// Make the source folder, where the program's data files are, the working
/// directory. Throws when it cannot.
void enterSourceFolder();

/// Make a fresh empty folder the working directory, with a "video" folder in
/// it when `withVideo`, so that frames are recorded there. The program must
/// have read its data files already.
void enterScratchFolder(bool withVideo);
