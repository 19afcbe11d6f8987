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
        <source>Put this unit aside: its chip is not one the tool writes</source>
        <translation>将此设备放到一边：本工具不支持其芯片</translation>
    </message>
    <message>
        <source>Install the tool again: its image is damaged</source>
        <translation>请重新安装本工具：其内置映像已损坏</translation>
    </message>
    <message>
        <source>Plug the unit in, check the IDs, then press Write again</source>
        <translation>插入设备，检查 ID，然后再次按“写入 EEPROM”</translation>
    </message>
    <message>
        <source>Re-plug the unit and press Write again</source>
        <translation>重新插拔设备，然后再次按“写入 EEPROM”</translation>
    </message>
    <message>
        <source>Check the cable and hub, re-plug the unit and press Write again</source>
        <translation>检查线缆和集线器，重新插拔设备，然后再次按“写入 EEPROM”</translation>
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
        <source>Plug the same unit back into the same port and write it again</source>
        <translation>将同一设备插回同一端口，然后重新写入</translation>
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
        <source>re-plug this unit: take it out and put it back into port %1</source>
        <translation>请重新插拔此设备：拔出后插回端口 %1</translation>
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
</context>
</TS>
