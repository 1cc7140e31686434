view.prg: the associations of view.exe, which opens the files of the result
list for moxwin (Enter, a double click, "view dlist.txt").

A line that begins with "." names extensions and the command that opens them:
  .ext.ext<blank or TAB>command
"%1" in the command stands for the file as it is (add quotes yourself);
without "%1" the file is appended in double quotes. A command that begins
with "|" opens nothing: the text after the "|" is shown instead. Files
whose extension has no line here are opened by Windows as by a double click.
A later line wins over an earlier one for the same extension. Lines that do
not begin with "." are ignored, like these. The file is read in the OEM
code page (Shift_JIS on Japanese Windows).

.txt.log.csv.ini notepad.exe
.exe.com.bat.cmd.scr.pif.cpl.msi.msc.hta.reg.lnk.vbs.vbe.js.jse.wsf.wsh.ps1 |A program or script: view does not start it from the list. Open its folder instead.
