// 74HC595: 8-bit serial-in shift register with output latch and 3-state outputs, DIP16.
// Behavioural model from the part's function table:
//   SRCLR_n low        shift register = 0 at once
//   rising SRCLK       shift register shifts one stage towards QH, SER enters stage A
//   rising RCLK        latch = shift register (the value before a shift of the same edge)
//   OE_n high          Q[7:0] (QA..QH) in high impedance; QH_serial is never turned off
module hc595 (
    input        SER, SRCLK, RCLK, SRCLR_n, OE_n,
    output [7:0] Q,
    output       QH_serial
);
    reg [7:0] shift, latch;
    always @(posedge SRCLK or negedge SRCLR_n)
        if (!SRCLR_n)
            shift <= 8'd0;
        else
            shift <= {shift[6:0], SER};
    always @(posedge RCLK)
        latch <= shift;
    assign Q = OE_n ? 8'bz : latch;
    assign QH_serial = shift[7];
endmodule
