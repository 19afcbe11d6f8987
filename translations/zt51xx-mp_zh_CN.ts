<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>FailureCatalogue</name>
    <message>
        <source>Action: %1</source>
        <translation>处理：%1</translation>
    </message>
    <message>
        <source>Install the tool again: its image is damaged</source>
        <translation>请重新安装本工具：其内置映像已损坏</translation>
    </message>
    <message>
        <source>Re-plug the unit and press Write again</source>
        <translation>重新插拔设备，然后再次按“写入 EEPROM”</translation>
    </message>
    <message>
        <source>Connect the unit directly, not through an adapter, and try again</source>
        <translation>请直接连接设备（不要经过转接器），然后重试</translation>
    </message>
    <message>
        <source>Check the unit&apos;s audio driver, re-plug and press Write again</source>
        <translation>检查设备的音频驱动，重新插拔，然后再次按“写入 EEPROM”</translation>
    </message>
    <message>
        <source>Report this code to the engineer</source>
        <translation>请将此代码报告给工程师</translation>
    </message>
    <message>
        <source>Re-plug the unit sooner after the prompt and press Write again</source>
        <translation>提示出现后请尽快重新插拔设备，然后再次按“写入 EEPROM”</translation>
    </message>
    <message>
        <source>Start the tool again and write the unit again</source>
        <translation>重新启动本工具，然后重新写入该设备</translation>
    </message>
    <message>
        <source>Re-plug the unit and press Write again; if it fails twice, put it aside</source>
        <translation>重新插拔设备并再次按“写入 EEPROM”；若连续失败两次，请将其放到一边</translation>
    </message>
    <message>
        <source>Give a serial number that fits the image and write the unit again</source>
        <translation>请提供符合映像格式的序列号，然后重新写入该设备</translation>
    </message>
    <message>
        <source>Check the file and the folder, then try again</source>
        <translation>检查文件和文件夹，然后重试</translation>
    </message>
    <message>
        <source>Wait for the other job to end, then write the unit again</source>
        <translation>等待其他作业结束，然后重新写入该设备</translation>
    </message>
    <message>
        <source>Choose the image file for this unit&apos;s chip and write it again</source>
        <translation>选择适用于此设备芯片的映像文件，然后重新写入</translation>
    </message>
    <message>
        <source>The tool was closing, so the command was not sent and the job ended there; start the tool again and repeat the job.</source>
        <translation>本工具正在关闭，因此命令未发送，作业在此结束；请重新启动本工具并重做该作业。</translation>
    </message>
    <message>
        <source>The chip did not answer this EEPROM request, so the image may be incomplete (the unit then starts as an updater device): check the cable and the hub, re-plug and run the job again.</source>
        <translation>芯片未应答此 EEPROM 请求，映像可能不完整（设备随后将以升级模式设备启动）：请检查线缆和集线器，重新插拔后重做作业。</translation>
    </message>
    <message>
        <source>The chip did not answer this register read over HID, so its identity is unknown: check the cable and re-plug; at stage 00 nothing was written, at stage 01 (after the re-plug) the unit is already erased and needs a new job.</source>
        <translation>芯片未应答通过 HID 的此寄存器读取，因此无法确定其身份：请检查线缆并重新插拔；阶段 00 时尚未写入任何内容，阶段 01（重新插拔之后）时设备已被擦除，需要重新作业。</translation>
    </message>
    <message>
        <source>The audio driver did not carry this register read (used when the HID reports are too short for commands): check that the device&apos;s audio function and its driver are present; at stage 01 (after the re-plug) the unit is already erased and needs a new job.</source>
        <translation>音频驱动未传递此寄存器读取（在 HID 报告太短、无法承载命令时使用）：请检查设备的音频功能及其驱动是否存在；阶段 01（重新插拔之后）时设备已被擦除，需要重新作业。</translation>
    </message>
    <message>
        <source>An internal fault of the tool, not of the device: report it with this code.</source>
        <translation>这是本工具的内部故障，不是设备的故障：请连同此代码一起报告。</translation>
    </message>
    <message>
        <source>The chip&apos;s identifier selects none of the embedded images, or its status byte is not 0; nothing was written: check that the unit carries a supported ZT51xx variant.</source>
        <translation>芯片标识与任何内置映像都不匹配，或其状态字节不为 0；未写入任何内容：请确认设备使用的是受支持的 ZT51xx 型号。</translation>
    </message>
    <message>
        <source>The device&apos;s HID input reports are 24 bytes or shorter, too short for the read-back, so the job was refused before anything was erased: connect the device directly, or check the firmware it runs.</source>
        <translation>设备的 HID 输入报告不超过 24 字节，太短，无法用于回读，因此作业在擦除任何内容之前即被拒绝：请直接连接设备，或检查其运行的固件。</translation>
    </message>
    <message>
        <source>The device&apos;s HID output reports are shorter than 16 bytes, too short to carry 8 EEPROM bytes per write, so the job was refused before anything was erased: check the firmware it runs.</source>
        <translation>设备的 HID 输出报告短于 16 字节，无法在每次写入中承载 8 个 EEPROM 字节，因此作业在擦除任何内容之前即被拒绝：请检查其运行的固件。</translation>
    </message>
    <message>
        <source>The serial number given for the unit does not fit the image&apos;s serial string (its length or its characters), so nothing was written: give serials of the image&apos;s length, made of letters, digits and &apos;-&apos;.</source>
        <translation>为设备提供的序列号与映像的序列号字符串不符（长度或字符），因此未写入任何内容：请提供与映像长度相同、由字母、数字和“-”组成的序列号。</translation>
    </message>
    <message>
        <source>Another job, in this tool or another, holds the unit&apos;s port, so this job left the unit alone; nothing was sent to it: wait until that job has ended, then write the unit.</source>
        <translation>另一个作业（本工具或其他程序中的）占用了该设备的端口，因此本作业未处理该设备，也未向其发送任何内容：请等待该作业结束后再写入该设备。</translation>
    </message>
    <message>
        <source>The lock that keeps two jobs off one unit could not be taken (a missing or read-only lock folder; the log line says why), so nothing was sent to the unit: mend the lock folder, then write the unit.</source>
        <translation>无法获取防止两个作业同时操作同一设备的锁（锁文件夹不存在或只读；日志行中写明了原因），因此未向设备发送任何内容：请修复锁文件夹，然后写入该设备。</translation>
    </message>
    <message>
        <source>The image file given for the job is not one for the chip in this unit (another variant&apos;s image, firmware, chip class or release series), so the unit was not erased: give the image of this unit&apos;s variant.</source>
        <translation>为作业提供的映像文件不适用于此设备中的芯片（属于其他型号的映像、固件、芯片类别或发布系列），因此设备未被擦除：请提供此设备型号的映像。</translation>
    </message>
    <message>
        <source>The embedded image has no chip-class record or one for another class than 0x27; nothing was written: the tool&apos;s image is damaged, install the tool again.</source>
        <translation>内置映像中没有芯片类别记录，或其类别不是 0x27；未写入任何内容：本工具的映像已损坏，请重新安装本工具。</translation>
    </message>
    <message>
        <source>The embedded image has no high-speed descriptor record; nothing was written: the tool&apos;s image is damaged, install the tool again.</source>
        <translation>内置映像中没有高速描述符记录；未写入任何内容：本工具的映像已损坏，请重新安装本工具。</translation>
    </message>
    <message>
        <source>No known device found, or its device node could not be opened: plug the unit in, check the IDs typed in the boxes and the permission on the device node.</source>
        <translation>未找到已知设备，或无法打开其设备节点：请插入设备，检查输入框中的 ID 以及设备节点的权限。</translation>
    </message>
    <message>
        <source>The device that announced itself could not be opened by its IDs (gone again, or its node may not be opened); the worker keeps trying while its wait lasts.</source>
        <translation>已报告接入的设备无法按其 ID 打开（已再次断开，或其节点不允许打开）；在等待时间内后台线程会继续尝试。</translation>
    </message>
    <message>
        <source>The chip did not acknowledge the control-register write over HID: check the cable and the hub; the stage byte tells whether the EEPROM was touched.</source>
        <translation>芯片未确认通过 HID 的控制寄存器写入：请检查线缆和集线器；阶段字节表明 EEPROM 是否已被改动。</translation>
    </message>
    <message>
        <source>The audio driver did not carry the control-register write: check that the device&apos;s audio function and its driver are present.</source>
        <translation>音频驱动未传递控制寄存器写入：请检查设备的音频功能及其驱动是否存在。</translation>
    </message>
    <message>
        <source>The chip did not acknowledge the progress-marker write over HID: check the cable and the hub; at stage 00 the EEPROM is untouched, at stages 01 to 03 it is incomplete and needs a new job; at stage 04 only the final marker failed: the image and its header were written and verified, so the unit starts with its new image, but its progress marker still reads 4 until a job completes on it.</source>
        <translation>芯片未确认通过 HID 的进度标记写入：请检查线缆和集线器；阶段 00 时 EEPROM 未被改动，阶段 01 至 03 时 EEPROM 不完整，需要重新作业；阶段 04 时仅最后的标记失败：映像及其头部均已写入并校验，设备将以新映像启动，但其进度标记仍为 4，直到在该设备上完成一次作业。</translation>
    </message>
    <message>
        <source>The audio driver did not carry the progress-marker write: check that the device&apos;s audio function and its driver are present.</source>
        <translation>音频驱动未传递进度标记写入：请检查设备的音频功能及其驱动是否存在。</translation>
    </message>
    <message>
        <source>The erase was asked for with no device open, so nothing was sent: plug the unit in and try again.</source>
        <translation>请求擦除时没有打开任何设备，因此未发送任何内容：请插入设备后重试。</translation>
    </message>
    <message>
        <source>The erase command could not be written to the device (unplugged, or it refuses output reports); the EEPROM may be partly erased: re-plug and run the job again.</source>
        <translation>无法向设备写入擦除命令（设备已拔出，或拒绝输出报告）；EEPROM 可能已被部分擦除：请重新插拔后重做作业。</translation>
    </message>
    <message>
        <source>No known device was opened before the wait after the re-plug prompt ran out (the wait starts afresh at every re-plug prompt: about 10 s once the prompt is dismissed, or about 1 s of attempts to open a known device that announced itself since the prompt); the EEPROM is erased: re-plug the unit and run the job again.</source>
        <translation>重新插拔提示后的等待时间结束前未能打开任何已知设备（每次重新插拔提示时等待都会重新开始：提示关闭后约 10 秒，或对提示后报告接入的已知设备约 1 秒的打开尝试）；EEPROM 已被擦除：请重新插拔设备并重做作业。</translation>
    </message>
    <message>
        <source>The header did not read back as zeros after it was cleared, so the job stopped before the body, with the EEPROM already erased. Unless the device was an updater device the header is then restored from its copy at 0x4010: the unit then starts as the normal device with whatever program the EEPROM holds (after the erase, none that runs), so it is found again but does not work; a restore that fails is reported next (origin 19, RestoreHeaderFromBackup). Run the job again, and reject the unit if its header does not clear a second time.</source>
        <translation>头部清除后回读结果不全为零，因此作业在写入主体之前停止，此时 EEPROM 已被擦除。除非设备是升级模式设备，否则随后会从 0x4010 处的副本恢复头部：设备随后将以普通设备启动，运行 EEPROM 中的程序（擦除后没有可运行的程序），因此可以再次找到它，但它无法工作；恢复失败会在其后报告（来源 19，RestoreHeaderFromBackup）。请重做作业；如果头部第二次仍无法清除，请判定该设备不合格。</translation>
    </message>
    <message>
        <source>Body bytes still differed after two rewrite passes, or more than 16 differed at once; the unit starts as an updater device: run the job again, and reject the unit if it fails again.</source>
        <translation>经过两轮重写后主体字节仍有差异，或一次有超过 16 个字节不同；设备将以升级模式设备启动：请重做作业，如果再次失败，请判定该设备不合格。</translation>
    </message>
    <message>
        <source>Header bytes 5 to 7 read back differently from the image; the unit is left without a valid header: run the job again, and reject the unit if it fails again.</source>
        <translation>头部字节 5 至 7 的回读结果与映像不同；设备没有有效的头部：请重做作业，如果再次失败，请判定该设备不合格。</translation>
    </message>
    <message>
        <source>Header bytes 0 to 4 read back differently from the image; the unit is left without a valid header: run the job again, and reject the unit if it fails again.</source>
        <translation>头部字节 0 至 4 的回读结果与映像不同；设备没有有效的头部：请重做作业，如果再次失败，请判定该设备不合格。</translation>
    </message>
    <message>
        <source>The device that came back from the re-plug reports another chip identifier than the one the job was prepared for, or its status byte (register 0xB1) is not 0, so nothing was written to it: plug back the unit the job started with (it is erased) and run the job again.</source>
        <translation>重新插拔后接入的设备报告的芯片标识与作业准备时的不同，或其状态字节（寄存器 0xB1）不为 0，因此未向其写入任何内容：请插回作业开始时的设备（该设备已被擦除）并重做作业。</translation>
    </message>
    <message>
        <source>The header copy at 0x4010 could not be read, so the header was not restored; a header whose bytes 0 to 3 still read &quot;WTC&quot; and a zero byte makes the unit start as the normal device with whatever program the EEPROM holds (after the erase, none that runs), any other header as an updater device. Either way the tool finds it again: run the job again, and reject the unit if its header does not clear a second time.</source>
        <translation>无法读取 0x4010 处的头部副本，因此头部未恢复；头部字节 0 至 3 仍为“WTC”及一个零字节的头部会使设备以普通设备启动，运行 EEPROM 中的程序（擦除后没有可运行的程序），其他任何头部则使其以升级模式设备启动。无论哪种情况，本工具都能再次找到它：请重做作业；如果头部第二次仍无法清除，请判定该设备不合格。</translation>
    </message>
    <message>
        <source>The header copy at 0x4010 is blank (all 0x00 or 0xFF), so there was nothing to restore; a header whose bytes 0 to 3 still read &quot;WTC&quot; and a zero byte makes the unit start as the normal device with whatever program the EEPROM holds (after the erase, none that runs), any other header as an updater device. Either way the tool finds it again: run the job again, and reject the unit if its header does not clear a second time.</source>
        <translation>0x4010 处的头部副本为空（全为 0x00 或 0xFF），因此没有可恢复的内容；头部字节 0 至 3 仍为“WTC”及一个零字节的头部会使设备以普通设备启动，运行 EEPROM 中的程序（擦除后没有可运行的程序），其他任何头部则使其以升级模式设备启动。无论哪种情况，本工具都能再次找到它：请重做作业；如果头部第二次仍无法清除，请判定该设备不合格。</translation>
    </message>
    <message>
        <source>Header bytes 5 to 7 read back differently after the restore from the copy, so the head was not restored; a header whose bytes 0 to 3 still read &quot;WTC&quot; and a zero byte makes the unit start as the normal device with whatever program the EEPROM holds (after the erase, none that runs), any other header as an updater device. Either way the tool finds it again: run the job again, and reject the unit if its header does not clear a second time.</source>
        <translation>从副本恢复后，头部字节 5 至 7 的回读结果不同，因此头部前段未恢复；头部字节 0 至 3 仍为“WTC”及一个零字节的头部会使设备以普通设备启动，运行 EEPROM 中的程序（擦除后没有可运行的程序），其他任何头部则使其以升级模式设备启动。无论哪种情况，本工具都能再次找到它：请重做作业；如果头部第二次仍无法清除，请判定该设备不合格。</translation>
    </message>
    <message>
        <source>Header bytes 0 to 4 read back differently after the restore from the copy; a header whose bytes 0 to 3 still read &quot;WTC&quot; and a zero byte makes the unit start as the normal device with whatever program the EEPROM holds (after the erase, none that runs), any other header as an updater device. Either way the tool finds it again: run the job again, and reject the unit if its header does not clear a second time.</source>
        <translation>从副本恢复后，头部字节 0 至 4 的回读结果不同；头部字节 0 至 3 仍为“WTC”及一个零字节的头部会使设备以普通设备启动，运行 EEPROM 中的程序（擦除后没有可运行的程序），其他任何头部则使其以升级模式设备启动。无论哪种情况，本工具都能再次找到它：请重做作业；如果头部第二次仍无法清除，请判定该设备不合格。</translation>
    </message>
    <message>
        <source>The written unit verified, but after its last re-plug it came back with other IDs, another release number or another serial string than its image gives: set it aside and check it; writing it again will not help.</source>
        <translation>已写入的设备校验通过，但最后一次重新插拔后，其 ID、版本号或序列号字符串与映像中的不同：请将其放到一边并检查；重新写入也无济于事。</translation>
    </message>
    <message>
        <source>No known device with the given IDs was found on the USB bus, so no version was read: plug the unit in and check the IDs.</source>
        <translation>在 USB 总线上未找到具有给定 ID 的已知设备，因此未读取版本：请插入设备并检查 ID。</translation>
    </message>
    <message>
        <source>The device was found but did not answer the version read (or could not be opened): check the cable and the permission on the device node, re-plug and ask again.</source>
        <translation>已找到设备，但它未应答版本读取（或无法打开）：请检查线缆和设备节点的权限，重新插拔后再次读取。</translation>
    </message>
    <message>
        <source>The chip did not answer an EEPROM read, so the unit could not be read whole; nothing was written to it: check the cable and the hub, re-plug and read again.</source>
        <translation>芯片未应答 EEPROM 读取，因此无法完整读取设备；未向其写入任何内容：请检查线缆和集线器，重新插拔后再次读取。</translation>
    </message>
    <message>
        <source>The chip answered with an identifier that selects none of the built-in images, so there is nothing to compare with: name the image with --image.</source>
        <translation>芯片应答的标识与任何内置映像都不匹配，因此没有可比较的对象：请用 --image 指定映像。</translation>
    </message>
    <message>
        <source>The unit&apos;s EEPROM differs from the image it was compared with: write the unit again, or compare it with the image it should hold.</source>
        <translation>设备的 EEPROM 与用于比较的映像不同：请重新写入该设备，或将其与应有的映像进行比较。</translation>
    </message>
    <message>
        <source>The unit was read whole but the file could not be written (no space, no permission, a link of another user); a file that was there is left as it was: free space or name another file.</source>
        <translation>设备已完整读取，但无法写入文件（空间不足、没有权限，或是其他用户的链接）；原有文件保持不变：请释放空间或指定其他文件。</translation>
    </message>
    <message>
        <source>No failure has been recorded.</source>
        <translation>尚未记录任何故障。</translation>
    </message>
    <message>
        <source>Not a code this tool records: check the digits, or whether another program showed it.</source>
        <translation>这不是本工具记录的代码：请核对数字，或确认是否由其他程序显示。</translation>
    </message>
    <message>
        <source>Check the unit&apos;s chip variant; put the unit aside if the tool has no image for it</source>
        <translation>检查设备的芯片型号；如果本工具没有适用的映像，请将设备放到一边</translation>
    </message>
    <message>
        <source>Plug the unit in, check the IDs, then try again</source>
        <translation>插入设备，检查 ID，然后重试</translation>
    </message>
    <message>
        <source>Check the cable and hub, re-plug the unit and try again</source>
        <translation>检查线缆和集线器，重新插拔设备，然后重试</translation>
    </message>
    <message>
        <source>Plug back the unit this job started with; if it was that unit, put it aside</source>
        <translation>插回本作业开始时的设备；如果正是该设备，请将其放到一边</translation>
    </message>
    <message>
        <source>Settle what the factory&apos;s check names, then put the unit in again</source>
        <translation>先解决工厂检查所指出的问题，然后重新插入设备</translation>
    </message>
    <message>
        <source>The station&apos;s pre-check program (--pre-check) ended with a status other than 0, so the unit was not touched; the record&apos;s preCheck field holds the first line it printed: settle what it names (a closed work order, a unit the factory does not know), then put the unit in again.</source>
        <translation>工位的预检程序（--pre-check）以非 0 状态结束，因此未对设备进行任何操作；记录的 preCheck 字段保存了该程序输出的第一行：先解决其中指出的问题（已关闭的工单、工厂不认识的设备），然后重新插入设备。</translation>
    </message>
    <message>
        <source>The station&apos;s pre-check program could not be started, crashed, was still running at its time-out (--pre-check-timeout) and was killed, or said yes with output that is no JSON object, so the unit was not touched: the record&apos;s preCheck field says which; mend the program or the factory&apos;s system behind it, then put the unit in again.</source>
        <translation>工位的预检程序无法启动、崩溃、在超时（--pre-check-timeout）时仍在运行而被终止，或者给出了肯定答复但输出不是 JSON 对象，因此未对设备进行任何操作：记录的 preCheck 字段说明是哪一种情况；请修复该程序或其背后的工厂系统，然后重新插入设备。</translation>
    </message>
    <message>
        <source>The serial the pre-check program handed the unit does not fit the image&apos;s serial string (its length or its characters, letters, digits and &apos;-&apos;), or was handed out before and is in the serial ledger, so the unit was not touched: have the factory&apos;s system hand out serials of the image&apos;s length, each once.</source>
        <translation>预检程序分配给设备的序列号与映像的序列号字符串不符（长度或字符，只能是字母、数字和“-”），或者此前已分配过并记录在序列号台账中，因此未对设备进行任何操作：请让工厂系统分配与映像长度相同的序列号，每个只分配一次。</translation>
    </message>
</context>
<context>
    <name>JobTexts</name>
    <message>
        <source>Fail to Write EEPROM! [%08X]</source>
        <translation>写入 EEPROM 失败！[%08X]</translation>
    </message>
    <message>
        <source>Write to EEPROM...</source>
        <translation>正在写入 EEPROM...</translation>
    </message>
    <message>
        <source>Please re-plugin USB device and MUST wait for USB device being recognized.
Then press button to continue writting EEPROM!!</source>
        <translation>请重新插拔 USB 设备，并务必等待 USB 设备被识别。
然后按下按钮继续写入 EEPROM！</translation>
    </message>
    <message>
        <source>Write to EEPROM OK! Please re-plugin USB device !!</source>
        <translation>写入 EEPROM 成功！请重新插拔 USB 设备！</translation>
    </message>
</context>
<context>
    <name>MainDialog</name>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>文件名</translation>
    </message>
    <message>
        <source>Write EEPROM</source>
        <translation>写入 EEPROM</translation>
    </message>
    <message>
        <source>Vendor ID</source>
        <translation>厂商 ID</translation>
    </message>
    <message>
        <source>Product ID</source>
        <translation>产品 ID</translation>
    </message>
    <message>
        <source> EEPROM WP</source>
        <translation> EEPROM 写保护</translation>
    </message>
    <message>
        <source>Use EVB VID (0x3C4D) and PID (0x0001, High Speed), PID (0x0002, Full Speed)</source>
        <translation>使用评估板 VID (0x3C4D) 和 PID (0x0001，高速)、PID (0x0002，全速)</translation>
    </message>
    <message>
        <source>Erase EPRM</source>
        <translation>擦除 EEPROM</translation>
    </message>
    <message>
        <source>Get FW Ver.</source>
        <translation>读取固件版本</translation>
    </message>
    <message>
        <source>FW Version:</source>
        <translation>固件版本：</translation>
    </message>
    <message>
        <source>Last result: %1</source>
        <translation>上次结果：%1</translation>
    </message>
    <message>
        <source>Closing now stops the write and leaves the EEPROM incomplete; close anyway?</source>
        <translation>现在关闭会中止写入，EEPROM 将不完整；仍要关闭吗？</translation>
    </message>
</context>
<context>
    <name>Station</name>
    <message>
        <source>(continuing by itself)</source>
        <translation>（自动继续）</translation>
    </message>
    <message>
        <source>Press Enter to continue...</source>
        <translation>按 Enter 键继续...</translation>
    </message>
    <message>
        <source>a unit arrived on port %1; this job waits for port %2: plug it back into the same port</source>
        <translation>端口 %1 上插入了一个设备；本作业正在等待端口 %2：请插回原来的端口</translation>
    </message>
    <message>
        <source>Please re-plug every unit and wait until each is recognized. (%1 units; each has %2 s to come back)</source>
        <translation>请重新插拔每个设备，并等待每个设备都被识别。（共 %1 个设备；每个设备有 %2 秒时间重新连接）</translation>
    </message>
    <message>
        <source>cannot re-plug the unit at port %1 by itself (%2); re-plug it by hand</source>
        <translation>无法自动重新插拔端口 %1 上的设备（%2）；请手动重新插拔</translation>
    </message>
    <message>
        <source>re-plugging the unit at port %1: switching the port off and on</source>
        <translation>正在重新插拔端口 %1 上的设备：关闭并重新打开端口电源</translation>
    </message>
    <message>
        <source>switching the port %1 off and on failed; re-plug the unit by hand</source>
        <translation>关闭并重新打开端口 %1 的电源失败；请手动重新插拔设备</translation>
    </message>
    <message>
        <source>ready: plug in a unit</source>
        <translation>就绪：请插入设备</translation>
    </message>
    <message>
        <source>the unit is held by another job; take it out when that job has ended</source>
        <translation>该设备被其他作业占用；请在该作业结束后拔出</translation>
    </message>
    <message>
        <source>no serial for this unit: %1</source>
        <translation>此设备没有序列号：%1</translation>
    </message>
    <message>
        <source>the record of this unit was not written (%1); the station takes no more units</source>
        <translation>此设备的记录未写入（%1）；工位不再接收设备</translation>
    </message>
    <message>
        <source>passed %1  failed %2  %3 units/h</source>
        <translation>通过 %1  失败 %2  %3 台/小时</translation>
    </message>
    <message>
        <source>re-plug the unit at port %1 to confirm it</source>
        <translation>请重新插拔端口 %1 上的设备以进行确认</translation>
    </message>
    <message>
        <source>the image file is refused for this unit, %1; it was not written</source>
        <translation>映像文件不适用于此设备，%1；未写入</translation>
    </message>
    <message>
        <source>Erase the EEPROM of the unit the IDs select? Type y and Enter to go on:</source>
        <translation>要擦除由这些 ID 选中的设备的 EEPROM 吗？输入 y 并按 Enter 键继续：</translation>
    </message>
    <message>
        <source>Writing %1 units (%2)</source>
        <translation>正在写入 %1 台设备（%2）</translation>
    </message>
    <message>
        <source>Writing the EEPROM of %1:%2 (%3)</source>
        <translation>正在写入 %1:%2 的 EEPROM（%3）</translation>
    </message>
    <message>
        <source>Station: each unit is written as it arrives (%1); Ctrl-C stops taking units</source>
        <translation>工位：每台设备插入后即写入（%1）；按 Ctrl-C 停止接收设备</translation>
    </message>
    <message>
        <source>saved %1 bytes of EEPROM to %2</source>
        <translation>已将 %1 字节的 EEPROM 内容保存到 %2</translation>
    </message>
    <message>
        <source>equal: the unit holds %1 (%2 bytes)</source>
        <translation>一致：设备中为 %1（%2 字节）</translation>
    </message>
    <message>
        <source>Failures this run:</source>
        <translation>本次运行的失败：</translation>
    </message>
    <message>
        <source>+%1 more</source>
        <translation>另有 %1 个</translation>
    </message>
    <message>
        <source>%1; ready for the next unit</source>
        <translation>%1；可以插入下一台设备</translation>
    </message>
    <message>
        <source>writing</source>
        <translation>写入中</translation>
    </message>
    <message>
        <source>RE-PLUG</source>
        <translation>重新插拔</translation>
    </message>
    <message>
        <source>checking</source>
        <translation>检查中</translation>
    </message>
    <message>
        <source>ready</source>
        <translation>就绪</translation>
    </message>
    <message>
        <source>writing: do not pull the unit</source>
        <translation>写入中：请勿拔出设备</translation>
    </message>
    <message>
        <source>re-plug this unit now: take it out and put it back into port %1</source>
        <translation>请立即重新插拔此设备：拔出后插回端口 %1</translation>
    </message>
    <message>
        <source>checking the written unit</source>
        <translation>正在检查已写入的设备</translation>
    </message>
    <message>
        <source>records not yet delivered: %1</source>
        <translation>尚未送达的记录：%1</translation>
    </message>
    <message>
        <source>the pre-check refused this unit (%1); it was not written</source>
        <translation>预检拒绝了此设备（%1）；未写入</translation>
    </message>
</context>
<context>
    <name>zt::qt::BarcodeScanField</name>
    <message>
        <source>&amp;Barcode:</source>
        <translation>条码(&amp;B)：</translation>
    </message>
    <message>
        <source>; scan it again. </source>
        <translation>；请重新扫描。</translation>
    </message>
    <message>
        <source>no code waiting</source>
        <translation>没有待用的条码</translation>
    </message>
    <message>
        <source>next unit: </source>
        <translation>下一台设备：</translation>
    </message>
    <message>
        <source>next units: </source>
        <translation>接下来的设备：</translation>
    </message>
</context>
<context>
    <name>zt::qt::StationCounters</name>
    <message>
        <source>Passed: %1   Failed: %2   Units per hour: %3</source>
        <translation>通过：%1   失败：%2   每小时台数：%3</translation>
    </message>
</context>
<context>
    <name>zt::qt::StationIdentityFields</name>
    <message>
        <source>&amp;Station ID:</source>
        <translation>工位 ID(&amp;S)：</translation>
    </message>
    <message>
        <source>&amp;Operator:</source>
        <translation>操作员(&amp;O)：</translation>
    </message>
    <message>
        <source>Wor&amp;k order:</source>
        <translation>工单(&amp;K)：</translation>
    </message>
</context>
<context>
    <name>zt::qt::StationWindow</name>
    <message>
        <source>The station log was not written:
</source>
        <translation>工位日志未写入：
</translation>
    </message>
    <message>
        <source>Closing now stops the write and leaves the EEPROM of every unit being written incomplete; close anyway?</source>
        <translation>现在关闭会中止写入，每个正在写入的设备的 EEPROM 都将不完整；仍要关闭吗？</translation>
    </message>
    <message>
        <source>Held by another job; not written</source>
        <translation>被其他作业占用；未写入</translation>
    </message>
    <message>
        <source>Lock not taken; not written: </source>
        <translation>未能加锁；未写入：</translation>
    </message>
    <message>
        <source> (updater)</source>
        <translation>（升级模式）</translation>
    </message>
    <message>
        <source> (cannot be opened)</source>
        <translation>（无法打开）</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>VID:PID</source>
        <translation>VID:PID</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>What to do</source>
        <translation>处理方法</translation>
    </message>
    <message>
        <source>&amp;Write EEPROM</source>
        <translation>写入 EEPROM(&amp;W)</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>&amp;Run station</source>
        <translation>运行工位(&amp;R)</translation>
    </message>
    <message>
        <source>1 unit present</source>
        <translation>1 台设备在线</translation>
    </message>
    <message>
        <source>%1 units present</source>
        <translation>%1 台设备在线</translation>
    </message>
    <message>
        <source>No known device present.</source>
        <translation>没有已知设备在线。</translation>
    </message>
    <message>
        <source>(unplugged)</source>
        <translation>（已拔出）</translation>
    </message>
    <message>
        <source>Station running: each unit is written as it arrives</source>
        <translation>工位运行中：每台设备插入后即写入</translation>
    </message>
    <message>
        <source>Station stopping: the units under way finish first</source>
        <translation>工位正在停止：正在写入的设备先完成</translation>
    </message>
    <message>
        <source>Writing %1 units...</source>
        <translation>正在写入 %1 台设备...</translation>
    </message>
    <message>
        <source>Failures this shift:</source>
        <translation>本班次的失败：</translation>
    </message>
</context>
</TS>
