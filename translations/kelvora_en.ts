<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>AcquisitionFigures</name>
    <message>
        <source>已连接</source>
        <translation>connected</translation>
    </message>
    <message>
        <source>已断开</source>
        <translation>lost</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>接收 %1 帧/秒</source>
        <translation>Received %1 fps</translation>
    </message>
    <message>
        <source>显示 %1 帧/秒</source>
        <translation>Shown %1 fps</translation>
    </message>
    <message>
        <source>显示丢弃 %1</source>
        <translation>Dropped for display %1</translation>
    </message>
    <message>
        <source>核心丢弃 %1</source>
        <translation>Left out by core %1</translation>
    </message>
    <message>
        <source>已保存 %1</source>
        <translation>Saved %1</translation>
    </message>
    <message>
        <source>保存失败 %1</source>
        <translation>Not saved %1</translation>
    </message>
    <message>
        <source>视觉核心: %1</source>
        <translation>Vision core: %1</translation>
    </message>
    <message>
        <source>正在重新打开</source>
        <translation>reopening</translation>
    </message>
    <message>
        <source>已恢复</source>
        <translation>back</translation>
    </message>
    <message>
        <source>%1 MiB/秒</source>
        <translation>%1 MiB/s</translation>
    </message>
    <message>
        <source>相机: %1</source>
        <translation>Camera: %1</translation>
    </message>
    <message>
        <source>相机丢帧 %1, 丢包 %2</source>
        <translation>Camera lost %1 frames, %2 packets</translation>
    </message>
    <message>
        <source>相机: 完整帧 %1, 不完整帧 %2, 无缓冲丢帧 %3, 缺失包 %4, 重发包 %5</source>
        <translation>Camera: whole frames %1, incomplete %2, lost for want of buffers %3, packets missing %4, resent %5</translation>
    </message>
</context>
<context>
    <name>CameraListView</name>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>接口</source>
        <translation>Interface</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>找到 %1 台相机</source>
        <translation>%1 camera(s) found</translation>
    </message>
    <message>
        <source>已打开</source>
        <translation>Opened</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>空闲</source>
        <translation>Free</translation>
    </message>
    <message>
        <source>被占用</source>
        <translation>In use</translation>
    </message>
    <message>
        <source>模拟</source>
        <translation>Simulated</translation>
    </message>
</context>
<context>
    <name>CameraSearchNotFoundUI</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>暂未搜索到相机</source>
        <translation>No camera found yet</translation>
    </message>
    <message>
        <source>重新搜索</source>
        <translation>Rescan</translation>
    </message>
    <message>
        <source>视觉服务没有在 10 秒内给出相机列表</source>
        <translation>The vision service gave no camera list within 10 s</translation>
    </message>
    <message>
        <source>无法连接视觉核心：%1</source>
        <translation>The vision core cannot be reached: %1</translation>
    </message>
</context>
<context>
    <name>CameraSearchUI</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>正在搜索相机，请耐心等待...</source>
        <translation>Searching for cameras, please wait...</translation>
    </message>
</context>
<context>
    <name>Capturo</name>
    <message>
        <source>增益:</source>
        <translation>Gain:</translation>
    </message>
</context>
<context>
    <name>CapturoUI</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>PushButton</source>
        <translation>PushButton</translation>
    </message>
    <message>
        <source>相机配置</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>数据来源</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>相机</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>本地文件</source>
        <translation>Local files</translation>
    </message>
    <message>
        <source>相机成像设置</source>
        <translation>Imaging</translation>
    </message>
    <message>
        <source>视频模式</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>快门速度</source>
        <translation>Shutter</translation>
    </message>
    <message>
        <source>增益</source>
        <translation>Gain</translation>
    </message>
    <message>
        <source>相机触发设置</source>
        <translation>Trigger</translation>
    </message>
    <message>
        <source>外部</source>
        <translation>Ext.</translation>
    </message>
    <message>
        <source>内部</source>
        <translation>Int.</translation>
    </message>
    <message>
        <source>去抖设置 (毫秒)</source>
        <translation>Debounce (ms)</translation>
    </message>
    <message>
        <source>触发类型</source>
        <translation>Edge</translation>
    </message>
    <message>
        <source>结果显示</source>
        <translation>Results</translation>
    </message>
    <message>
        <source>查找范围:</source>
        <translation>Look in:</translation>
    </message>
    <message>
        <source>文件夹:</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <source>类型:</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>光标在图像外</source>
        <translation>Pointer outside the image</translation>
    </message>
    <message>
        <source>去抖时间</source>
        <translation>Debounce time</translation>
    </message>
    <message>
        <source>触发间隔</source>
        <translation>Trigger interval</translation>
    </message>
    <message>
        <source>%1 %2 超出范围 %3 - %4</source>
        <translation>%1 %2 is out of range %3 - %4</translation>
    </message>
    <message>
        <source>%1应为 %2 - %3 的整数</source>
        <translation>%1 must be a whole number from %2 to %3</translation>
    </message>
    <message>
        <source>图像列表</source>
        <translation>Image list</translation>
    </message>
    <message>
        <source>图像保存设置</source>
        <translation>Save settings</translation>
    </message>
    <message>
        <source> 上升沿 </source>
        <translation> Rising edge </translation>
    </message>
    <message>
        <source> 下降沿 </source>
        <translation> Falling edge </translation>
    </message>
    <message>
        <source>去抖设置(毫秒)</source>
        <translation>Debounce (ms)</translation>
    </message>
    <message>
        <source>触发间隔(毫秒)</source>
        <translation>Interval (ms)</translation>
    </message>
    <message>
        <source>选择图片文件夹路径</source>
        <translation>Choose the image folder</translation>
    </message>
    <message>
        <source>选择本地文件后保存图片已关闭</source>
        <translation>Saving switched off by choosing local files</translation>
    </message>
    <message>
        <source>相机帧现在不保存，请在图像保存设置中打开保存图片</source>
        <translation>Camera frames are not saved until saving is switched on in the save settings</translation>
    </message>
    <message>
        <source>本地文件为数据来源时不显示相机帧</source>
        <translation>Camera frames are not shown while local files are the source</translation>
    </message>
</context>
<context>
    <name>CoreErrorText</name>
    <message>
        <source>相机链路在 5 秒内丢失 %1 / %2 帧 (%3 %): 请让包大小自动协商 (--packet-size 0) 或调小, 加大接收缓冲 (--socket-buffer 与 net.core.rmem_max), 给视觉核心原始套接字权限 (setcap cap_net_raw+ep), 或检查网线与交换机</source>
        <translation>The camera&apos;s link lost %1 of %2 frames in 5 s (%3 %): let the packet size be negotiated (--packet-size 0) or lower it, raise the receive buffer (--socket-buffer and net.core.rmem_max), give the vision core raw-socket rights (setcap cap_net_raw+ep), or check the cable and switch</translation>
    </message>
    <message>
        <source>视觉核心: %1</source>
        <translation>Vision core: %1</translation>
    </message>
</context>
<context>
    <name>DTLog</name>
    <message>
        <source>%1 这一秒内另有 %2 行相同未逐行写出: %3</source>
        <translation>%1: %2 more identical lines in this second not written one by one: %3</translation>
    </message>
</context>
<context>
    <name>DT_PluginsManager</name>
    <message>
        <source>%1 在 %2 中重复列出: 只加载并连接一次</source>
        <translation>%1 is listed more than once in %2: loaded and connected once</translation>
    </message>
</context>
<context>
    <name>HistogramOverlay</name>
    <message>
        <source>饱和像素: %1</source>
        <translation>Saturated pixels: %1</translation>
    </message>
    <message>
        <source>黑色像素: %1</source>
        <translation>Black pixels: %1</translation>
    </message>
</context>
<context>
    <name>ImageSetting</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>保存图片</source>
        <translation>Save images</translation>
    </message>
    <message>
        <source>保存路径</source>
        <translation>Save folder</translation>
    </message>
    <message>
        <source>选择文件夹</source>
        <translation>Choose folder</translation>
    </message>
    <message>
        <source>图像类型</source>
        <translation>Image type</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>NG</source>
        <translation>NG</translation>
    </message>
    <message>
        <source>图像格式</source>
        <translation>Image format</translation>
    </message>
    <message>
        <source>Jpg</source>
        <translation>Jpg</translation>
    </message>
    <message>
        <source>Bmp</source>
        <translation>Bmp</translation>
    </message>
    <message>
        <source>选择保存Bmp文件夹路径</source>
        <translation>Choose the folder for saved images</translation>
    </message>
</context>
<context>
    <name>LocalFolderLoader</name>
    <message>
        <source>无法读取图片: %1</source>
        <translation>Cannot read image: %1</translation>
    </message>
    <message>
        <source>图片过大, 未打开: %1 (%2x%3)</source>
        <translation>Image too large, not opened: %1 (%2x%3)</translation>
    </message>
    <message>
        <source>无法读取图片: %1 (%2)</source>
        <translation>Cannot read image: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>MainWindow</translation>
    </message>
    <message>
        <source>相机配置</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>工具任务</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>输出配置</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>人机交互</source>
        <translation>Operator</translation>
    </message>
</context>
<context>
    <name>Service</name>
    <message>
        <source>磁盘空间不足</source>
        <translation>disk full</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>no write permission</translation>
    </message>
    <message>
        <source>文件系统只读</source>
        <translation>read-only file system</translation>
    </message>
    <message>
        <source>文件夹不存在</source>
        <translation>folder does not exist</translation>
    </message>
    <message>
        <source>保存图片失败: %1 (%2), 此类失败共 %3 张</source>
        <translation>Saving failed: %1 (%2), %3 such failures in all</translation>
    </message>
    <message>
        <source>磁盘写入跟不上, 未保存的帧共 %1 张</source>
        <translation>The disk cannot keep up, %1 frames not saved in all</translation>
    </message>
    <message>
        <source>获取相机增益失败</source>
        <translation>Reading the camera gain failed</translation>
    </message>
    <message>
        <source>获取相机参数值失败</source>
        <translation>Reading the camera parameters failed</translation>
    </message>
    <message>
        <source>相机连接中断，正在重新连接</source>
        <translation>Camera connection lost, reconnecting</translation>
    </message>
    <message>
        <source>相机已重新连接</source>
        <translation>Camera reconnected</translation>
    </message>
    <message>
        <source>相机获取拍照成功</source>
        <translation>Frame received from the camera</translation>
    </message>
    <message>
        <source>与视觉核心的连接已断开，正在重新连接</source>
        <translation>Connection to the vision core lost, reconnecting</translation>
    </message>
    <message>
        <source>已重新连接视觉核心，相机设置已恢复</source>
        <translation>Vision core reconnected, camera settings restored</translation>
    </message>
    <message>
        <source>部分相机设置未能恢复</source>
        <translation>Some camera settings could not be restored</translation>
    </message>
    <message>
        <source>相机初始化失败</source>
        <translation>Camera initialisation failed</translation>
    </message>
    <message>
        <source>相机初始化成功</source>
        <translation>Camera initialised</translation>
    </message>
    <message>
        <source>已丢弃格式错误的相机帧: %1</source>
        <translation>Malformed camera frames dropped: %1</translation>
    </message>
    <message>
        <source>本机接收相机帧不及, 视觉核心已丢弃此相机的 %1 帧: 请减轻本机负载或降低帧率</source>
        <translation>This computer did not take in the camera&apos;s frames in time; the vision core dropped %1 frames of this camera: lighten this computer&apos;s load or lower the frame rate</translation>
    </message>
    <message>
        <source>调用相机拍照接口</source>
        <translation>Take photo</translation>
    </message>
    <message>
        <source>调用连续拍照接口</source>
        <translation>Continuous shooting</translation>
    </message>
    <message>
        <source>调用视频模式</source>
        <translation>Video mode on</translation>
    </message>
    <message>
        <source>关闭视频</source>
        <translation>Video mode off</translation>
    </message>
    <message>
        <source>设置去抖时间</source>
        <translation>Set debounce time</translation>
    </message>
    <message>
        <source>获取去抖时间</source>
        <translation>Read debounce time</translation>
    </message>
    <message>
        <source>设置增益</source>
        <translation>Set gain</translation>
    </message>
    <message>
        <source>设置Gap</source>
        <translation>Set trigger interval</translation>
    </message>
    <message>
        <source>获取增益</source>
        <translation>Read gain</translation>
    </message>
    <message>
        <source>设置曝光</source>
        <translation>Set exposure</translation>
    </message>
    <message>
        <source>获取曝光</source>
        <translation>Read exposure</translation>
    </message>
    <message>
        <source>设置触发模式</source>
        <translation>Set trigger mode</translation>
    </message>
    <message>
        <source>获取触发模式</source>
        <translation>Read trigger mode</translation>
    </message>
    <message>
        <source>获取相机增益成功</source>
        <translation>Camera gain read</translation>
    </message>
    <message>
        <source>获取相机参数值成功</source>
        <translation>Camera parameters read</translation>
    </message>
    <message>
        <source>调用连续拍照</source>
        <translation>Start continuous shooting</translation>
    </message>
    <message>
        <source>调用连续拍照结束</source>
        <translation>Stop continuous shooting</translation>
    </message>
    <message>
        <source>视觉核心 %1 不在本机，连接未加密，任何人都可能冒充或窃听</source>
        <translation>The vision core %1 is not on this machine: the link is not encrypted, anyone could impersonate or overhear it</translation>
    </message>
    <message>
        <source>证书文件不存在: %1</source>
        <translation>Certificate file missing: %1</translation>
    </message>
    <message>
        <source>证书文件无法读取: %1</source>
        <translation>Certificate file unreadable: %1</translation>
    </message>
    <message>
        <source>证书已过期: %1</source>
        <translation>Certificate expired: %1</translation>
    </message>
    <message>
        <source>证书设置不完整: 需要 ca，cert 与 key 须同时设置</source>
        <translation>Certificate settings incomplete: ca is needed, and cert and key go together</translation>
    </message>
    <message>
        <source>视觉核心的证书未通过验证</source>
        <translation>The vision core&apos;s certificate did not verify</translation>
    </message>
    <message>
        <source>视觉核心拒绝了本机的证书</source>
        <translation>The vision core refused this station&apos;s certificate</translation>
    </message>
    <message>
        <source>与视觉核心的加密连接失败</source>
        <translation>The encrypted link to the vision core failed</translation>
    </message>
    <message>
        <source>显示丢弃的帧: %1</source>
        <translation>frames dropped: %1</translation>
    </message>
    <message>
        <source>已连接视觉核心 %1</source>
        <translation>Connected to the vision core %1</translation>
    </message>
    <message>
        <source>已重新连接视觉核心</source>
        <translation>Reconnected to the vision core</translation>
    </message>
    <message>
        <source>图片未保存: %1: %2</source>
        <translation>frame not saved: %1: %2</translation>
    </message>
    <message>
        <source>保存图片已开启: %1 %2</source>
        <translation>saving on: %1 %2</translation>
    </message>
    <message>
        <source>保存图片已关闭: %1 %2</source>
        <translation>saving off: %1 %2</translation>
    </message>
    <message>
        <source>设置触发类型</source>
        <translation>Set trigger type</translation>
    </message>
    <message>
        <source>获取触发类型</source>
        <translation>Read trigger type</translation>
    </message>
    <message>
        <source>视觉核心或相机不可用</source>
        <translation>the vision core or the camera is not available</translation>
    </message>
    <message>
        <source>视觉核心没有及时应答</source>
        <translation>the vision core did not answer in time</translation>
    </message>
    <message>
        <source>视觉核心没有这台相机</source>
        <translation>the vision core has no such camera</translation>
    </message>
    <message>
        <source>相机已被其他客户端占用或未打开</source>
        <translation>the camera is in use by another client or not open</translation>
    </message>
    <message>
        <source>视觉核心不能列出相机</source>
        <translation>the vision core cannot list cameras</translation>
    </message>
    <message>
        <source>视觉核心拒绝了请求 (代码 %1)</source>
        <translation>the vision core refused the request (code %1)</translation>
    </message>
    <message>
        <source>%1 没有应答</source>
        <translation>%1 does not answer</translation>
    </message>
    <message>
        <source>相机 %1 已关闭, 它的连续拍照或视频已停止</source>
        <translation>camera %1 closed: its continuous shooting or video stopped</translation>
    </message>
    <message>
        <source>相机 %1 已关闭, 它的图片保存已停止</source>
        <translation>camera %1 closed: saving its frames stopped</translation>
    </message>
</context>
<context>
    <name>ToolDetail</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
</context>
<context>
    <name>ToolManage</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
</context>
<context>
    <name>ViewOptions</name>
    <message>
        <source>直方图</source>
        <translation>Histogram</translation>
    </message>
    <message>
        <source>采集统计</source>
        <translation>Acquisition figures</translation>
    </message>
    <message>
        <source>保持缩放</source>
        <translation>Keep zoom</translation>
    </message>
    <message>
        <source>直方图位置</source>
        <translation>Histogram corner</translation>
    </message>
    <message>
        <source>左上</source>
        <translation>Top left</translation>
    </message>
    <message>
        <source>右上</source>
        <translation>Top right</translation>
    </message>
    <message>
        <source>左下</source>
        <translation>Bottom left</translation>
    </message>
    <message>
        <source>右下</source>
        <translation>Bottom right</translation>
    </message>
</context>
<context>
    <name>tool_position</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>搜索范围(蓝色框显示)</source>
        <translation>Search area (blue box)</translation>
    </message>
    <message>
        <source>特征范围（绿色框）</source>
        <translation>Feature area (green box)</translation>
    </message>
    <message>
        <source>生成</source>
        <translation>Create</translation>
    </message>
    <message>
        <source>展示纹理信息</source>
        <translation>Show texture</translation>
    </message>
    <message>
        <source>CheckBox</source>
        <translation>CheckBox</translation>
    </message>
</context>
</TS>
